#include "platform/Environment.h"

#include <pwd.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace platform {
namespace {
std::optional<std::vector<std::string>>& TestingBlock() {
    static std::optional<std::vector<std::string>> block;
    return block;
}
}  // namespace

std::vector<std::string> EnvironmentBlock() {
    if (TestingBlock()) return *TestingBlock();
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
    return entries;
}

std::string GetEnv(const char* name) {
    if (TestingBlock()) {
        const std::string_view wanted(name);
        // The C library answers the first entry of a name; so do we.
        for (const std::string& entry : *TestingBlock()) {
            if (entry.size() > wanted.size() && entry[wanted.size()] == '=' &&
                std::string_view(entry).substr(0, wanted.size()) == wanted)
                return entry.substr(wanted.size() + 1);
        }
        return {};
    }
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void SetEnvironmentBlockForTesting(std::optional<std::vector<std::string>> block) { TestingBlock() = std::move(block); }

std::optional<Account> CurrentAccount() {
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    int status = 0;
    while ((status = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0 || !found) return std::nullopt;
    return Account{found->pw_name ? found->pw_name : "", found->pw_dir ? found->pw_dir : ""};
}

}  // namespace platform
