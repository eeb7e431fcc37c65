#include "platform/Environment.h"

#include <cstdlib>

extern char** environ;

namespace platform {

std::vector<std::string> EnvironmentBlock() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
    return entries;
}

std::string GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace platform
