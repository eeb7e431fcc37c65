#include "platform/Executable.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {
std::string& TestingPath() {
    static std::string path;
    return path;
}
}  // namespace

std::string ExecutablePath() {
    if (!TestingPath().empty()) return TestingPath();
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) return {};
    buffer[n] = '\0';
    return buffer;
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void SetExecutablePathForTesting(const std::string& path) { TestingPath() = path; }

}  // namespace platform
