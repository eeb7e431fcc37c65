#pragma once
// The autostart value "KV.Kestrune" in the Run keys of all users and of this user, and the
// desktop's autostart entry that each of them stands for.

#include <optional>
#include <string>

#include "platform/Registry.h"

namespace kestrune {

// Brings the Run keys in line with AutorunMode (0 none, 1 all users, 2 this user).
void ApplyAutorunMode();

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Run\KV.Kestrune": the key and the value name as one text.
extern const char* const kAutorunValuePath;

// The desktop's autostart entry that stands for the value under a root:
// <Application Data>/autostart/KV.Kestrune.desktop for this user, and
// <first folder of XDG_CONFIG_DIRS, else /etc/xdg>/autostart/KV.Kestrune.desktop for all users.
std::string AutostartEntryPath(platform::RegistryRoot root);
// The whole entry that starts the given program, or nullopt when the path cannot be written into
// an entry (a control character other than tab, line feed or carriage return, or no UTF-8 text).
std::optional<std::string> AutostartEntryText(const std::string& programPath);
// One program path as the Exec key's value: quoted as one argument, "%" doubled, and the escapes
// of a string value applied over the quoting.
std::optional<std::string> DesktopExecArgument(const std::string& programPath);

}  // namespace kestrune
