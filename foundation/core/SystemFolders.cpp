#include "foundation/core/SystemFolders.h"

#include "foundation/core/Guard.h"
#include "foundation/core/MiniReg.h"
#include "foundation/core/ProgramValues.h"
#include "platform/Environment.h"
#include "platform/UserFolders.h"

namespace kestrune {

std::string TempDirCache;

const ProgramValues folderValues([] { TempDirCache.clear(); });

namespace {

struct ShellFolder {
    RegistryRoot root;
    const char* name;
    int kind;
};

// Indexes 0 and 2..9; index 1 is the TEMP folder.
constexpr ShellFolder kShellFolders[10] = {
    {RegistryRoot::CurrentUser, "AppData", 0},          {RegistryRoot::CurrentUser, nullptr, 0},
    {RegistryRoot::LocalMachine, "Common Programs", 0}, {RegistryRoot::LocalMachine, "Common Desktop", 0},
    {RegistryRoot::CurrentUser, "Desktop", 0},          {RegistryRoot::CurrentUser, "Programs", 0},
    {RegistryRoot::LocalMachine, "Common AppData", 0},  {RegistryRoot::CurrentUser, "Local AppData", 0},
    {RegistryRoot::LocalMachine, "ProgramFilesDir", 1}, {RegistryRoot::CurrentUser, "Personal", 0},
};

bool IsTempName(std::string_view name) {
    if (name.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = name[i];
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != "TEMP"[i]) return false;
    }
    return true;
}

}  // namespace

std::string GetSpecialFolder(int index) {
    std::string result;
    Guard("UP.006-01", [&] {
        result.clear();
        if (index == 1 || index > 9) {
            if (TempDirCache.empty()) TempDirCache = TempDirFromEnvironment();
            result = TempDirCache;
        } else if (index >= 0) {
            const ShellFolder& folder = kShellFolders[index];
            result = ReadShellFolderValue(folder.root, folder.name, folder.kind);
            // Every settings path is built on Application Data: an empty one would put them at
            // the root of the file system.
            if (index == 0 && result.empty()) result = platform::ApplicationDataFolder();
        }
    });
    return result;
}

std::string ReadShellFolderValue(platform::RegistryRoot root, const std::string& name, int kind) {
    std::string result;
    Guard("UP.005-01", [&] {
        std::string path;
        if (kind == 0) path = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\" + name;
        else if (kind == 1) path = "Software\\Microsoft\\Windows\\CurrentVersion\\" + name;
        else path = name;
        RegReadString(root, path, result);
    });
    return result;
}

std::string TempDirFromEnvironment() {
    std::string result;
    Guard("UP.004-02", [&] {
        for (const std::string& entry : platform::EnvironmentBlock()) {
            const std::size_t equals = entry.find('=');
            if (equals != std::string::npos && IsTempName(std::string_view(entry).substr(0, equals)))
                result = entry.substr(equals + 1);
        }
        if (result.empty()) {
            const std::string tmpdir = platform::GetEnv("TMPDIR");
            result = !tmpdir.empty() && tmpdir.front() == '/' ? tmpdir : std::string("/tmp");
        }
    });
    return result;
}

}  // namespace kestrune
