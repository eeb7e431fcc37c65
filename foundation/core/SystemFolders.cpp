#include "foundation/core/SystemFolders.h"

#include <cstdlib>

namespace kestrune {

std::string TempDirCache;

// Placeholder bodies: the special folders land with the platform layer.
std::string GetSpecialFolder(int index) {
    if (index == 0) {
        const char* home = std::getenv("HOME");
        return home ? std::string(home) + "/.config" : std::string("/tmp");
    }
    return TempDirFromEnvironment();
}
std::string ReadShellFolderValue(platform::RegistryRoot, const std::string&, int) { return {}; }
std::string TempDirFromEnvironment() {
    const char* temp = std::getenv("TEMP");
    return temp ? temp : "/tmp";
}

}  // namespace kestrune
