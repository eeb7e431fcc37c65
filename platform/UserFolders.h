#pragma once
// The Linux folders that stand in for the Windows shell folders. Every answer is an absolute
// path without a trailing separator, read anew at every call (tests move the environment).

#include <optional>
#include <string>

namespace platform {

// $HOME when it is absolute, else the home folder of the account (passwd); empty when neither.
std::string HomeFolder();

// Application Data: $XDG_CONFIG_HOME when it is absolute, else <home>/.config. Never empty:
// without any home it is <private>/.config (see PrivateFallbackFolder).
std::string ApplicationDataFolder();
// Local application data: $XDG_DATA_HOME when absolute, else <home>/.local/share.
std::string LocalApplicationDataFolder();
// A folder of xdg-user-dirs ("DESKTOP", "DOCUMENTS"): the XDG_<name>_DIR line of
// <Application Data>/user-dirs.dirs, else <home>/<fallbackName>.
std::string XdgUserFolder(const std::string& name, const std::string& fallbackName);
// The user's program menu: <local application data>/applications.
std::string UserProgramsFolder();
// The user's cache: $XDG_CACHE_HOME when absolute, else <home>/.cache.
std::string UserCacheFolder();

// Machine-wide stand-ins, fixed by the file-system hierarchy.
inline constexpr const char* kCommonProgramsFolder = "/usr/share/applications";
inline constexpr const char* kCommonDesktopFolder = "/etc/skel/Desktop";
inline constexpr const char* kCommonAppDataFolder = "/var/lib";
inline constexpr const char* kProgramFilesFolder = "/opt";

// Where the per-user folders live when the account has no usable home: a folder
// "kestrune-<uid>" in $TMPDIR (when absolute) or /tmp, created with mode 0700 and used only when
// it is a real folder owned by this user. When it cannot be made safe, "/dev/null/kestrune-<uid>",
// under which nothing can ever be created, so that no file lands in a folder of another user.
std::string PrivateFallbackFolder();
// The folder "kestrune-<uid>" in an absolute base folder, made with mode 0700; empty when it is not
// a real folder of this user closed to others (someone planted a link or an open folder there).
std::string PrivateFolderIn(const std::string& base);
// Makes the folder with mode 0700 when it is missing; true when it is a real folder (no link) of
// this user that others can neither enter nor write.
bool MakePrivateFolder(const std::string& folder);

// The user's runtime folder: $XDG_RUNTIME_DIR when it is absolute and a real folder of this user;
// empty otherwise. The system empties it when the user's last session ends.
std::string UserRuntimeFolder();

// The first absolute folder of $XDG_CONFIG_DIRS, else /etc/xdg: the configuration every user of
// the machine shares (its "autostart" folder starts programs for all users).
std::string SystemConfigFolder();

// Tests stand in for the passwd lookup: a text (empty: the account has no home), or nullopt for
// the real lookup.
void SetAccountHomeForTesting(std::optional<std::string> home);

}  // namespace platform
