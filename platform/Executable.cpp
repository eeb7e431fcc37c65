#include "platform/Executable.h"

#include <unistd.h>
#include <climits>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace platform {
namespace {

// The kernel's limit on a command line and its environment together is a quarter of the stack
// limit; this is far beyond any start of this program.
constexpr std::size_t kCommandLineLimit = 16u << 20;

std::string& TestingPath() {
    static std::string path;
    return path;
}
std::optional<std::vector<std::string>>& TestingCommandLine() {
    static std::optional<std::vector<std::string>> arguments;
    return arguments;
}
}  // namespace

std::string ExecutablePath() {
    if (!TestingPath().empty()) return TestingPath();
    // Asked once, at the first call: a later move of the program's folder is not followed.
    static const std::string path = [] {
        char buffer[PATH_MAX + 1];
        const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }();
    return path;
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void SetExecutablePathForTesting(const std::string& path) { TestingPath() = path; }

std::vector<std::string> CommandLineArguments() {
    if (TestingCommandLine()) return *TestingCommandLine();
    // Read without a stream: the first stream of a run sets up the C++ locale and its facets,
    // which a start has no other use for.
    const std::string bytes = ReadRegularFileLimited("/proc/self/cmdline", kCommandLineLimit).value_or(std::string());
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            arguments.push_back(bytes.substr(start));
            break;
        }
        arguments.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

void SetCommandLineForTesting(std::optional<std::vector<std::string>> arguments) {
    TestingCommandLine() = std::move(arguments);
}

}  // namespace platform
