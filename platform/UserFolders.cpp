#include "platform/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/Environment.h"
#include "platform/FileSystem.h"

namespace platform {
namespace {

std::optional<std::string>& TestingAccountHome() {
    static std::optional<std::string> home;
    return home;
}

constexpr std::size_t kUserDirsLimit = 64 * 1024;  // a few lines of folder paths

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// An absolute environment value, else empty.
std::string AbsoluteEnv(const char* name) {
    const std::string value = GetEnv(name);
    return IsAbsolute(value) ? WithoutTrailingSlash(value) : std::string();
}

std::string AccountHome() {
    if (TestingAccountHome()) return *TestingAccountHome();
    const std::optional<Account> account = CurrentAccount();
    return account ? account->home : std::string();
}

// The home folder, or the private fallback when there is none.
std::string HomeOrFallback() {
    const std::string home = HomeFolder();
    return home.empty() ? PrivateFallbackFolder() : home;
}

}  // namespace

std::string HomeFolder() {
    const std::string home = AbsoluteEnv("HOME");
    if (!home.empty()) return home;
    const std::string account = AccountHome();
    return IsAbsolute(account) ? WithoutTrailingSlash(account) : std::string();
}

bool MakePrivateFolder(const std::string& folder) {
    mkdir(folder.c_str(), 0700);
    struct stat st {};
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

std::string PrivateFolderIn(const std::string& base) {
    if (!IsAbsolute(base)) return std::string();
    const std::string folder =
        (base == "/" ? std::string() : WithoutTrailingSlash(base)) + "/kestrune-" + std::to_string(geteuid());
    return MakePrivateFolder(folder) ? folder : std::string();
}

std::string PrivateFallbackFolder() {
    std::string base = AbsoluteEnv("TMPDIR");
    if (base.empty()) base = "/tmp";
    const std::string folder = PrivateFolderIn(base);
    return folder.empty() ? "/dev/null/kestrune-" + std::to_string(geteuid()) : folder;
}

std::string UserRuntimeFolder() {
    const std::string runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime.empty() || lstat(runtime.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return std::string();
    return runtime;
}

std::string SystemConfigFolder() {
    const std::string dirs = GetEnv("XDG_CONFIG_DIRS");
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string entry = dirs.substr(start, end - start);
        if (IsAbsolute(entry)) return WithoutTrailingSlash(entry);
        start = end + 1;
    }
    return "/etc/xdg";
}

std::string ApplicationDataFolder() {
    const std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (!config.empty()) return config;
    return HomeOrFallback() + "/.config";
}

std::string LocalApplicationDataFolder() {
    const std::string data = AbsoluteEnv("XDG_DATA_HOME");
    if (!data.empty()) return data;
    return HomeOrFallback() + "/.local/share";
}

std::string XdgUserFolder(const std::string& name, const std::string& fallbackName) {
    const std::string home = HomeOrFallback();
    // Lines of the form XDG_DESKTOP_DIR="$HOME/Desktop" or XDG_DESKTOP_DIR="/absolute/path".
    const std::string key = "XDG_" + name + "_DIR=";
    std::string found;
    // The desktop's file, read as any file someone may have replaced: only a plain file of a
    // sensible size.
    if (const auto text = ReadRegularFileLimited(ApplicationDataFolder() + "/user-dirs.dirs", kUserDirsLimit)) {
        std::size_t start = 0;
        while (start < text->size()) {
            std::size_t end = text->find('\n', start);
            if (end == std::string::npos) end = text->size();
            std::string line = text->substr(start, end - start);
            start = end + 1;
            if (line.compare(0, key.size(), key) != 0) continue;
            std::string value = line.substr(key.size());
            if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
            value = value.substr(1, value.size() - 2);
            if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
                value = home + value.substr(5);
            if (IsAbsolute(value)) found = WithoutTrailingSlash(value);  // the last line wins
        }
    }
    return found.empty() ? home + "/" + fallbackName : found;
}

std::string UserCacheFolder() {
    const std::string cache = AbsoluteEnv("XDG_CACHE_HOME");
    if (!cache.empty()) return cache;
    return HomeOrFallback() + "/.cache";
}

std::string UserProgramsFolder() { return LocalApplicationDataFolder() + "/applications"; }

void SetAccountHomeForTesting(std::optional<std::string> home) { TestingAccountHome() = std::move(home); }

}  // namespace platform
