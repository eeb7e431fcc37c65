#include "foundation/SystemVersion.h"

#include <cstdlib>
#include <optional>

#include "foundation/core/Guard.h"
#include "platform/AsciiText.h"

namespace kestrune {

namespace {

std::optional<SystemVersion>& TestingVersion() {
    static std::optional<SystemVersion> version;
    return version;
}

std::optional<SystemVersion> ParseVersion(const std::string& text) {
    SystemVersion version;
    char* end = nullptr;
    version.major = static_cast<int>(std::strtol(text.c_str(), &end, 10));
    if (end == text.c_str()) return std::nullopt;
    version.minor = 0;
    if (*end == '.') {
        const char* minorStart = end + 1;
        version.minor = static_cast<int>(std::strtol(minorStart, &end, 10));
        if (end == minorStart) return std::nullopt;
    }
    if (*end != '\0') return std::nullopt;
    return version;
}

}  // namespace

SystemVersion CurrentSystemVersion() {
    if (TestingVersion()) return *TestingVersion();
    if (const char* value = std::getenv("KESTRUNE_WINDOWS_VERSION"))
        if (const std::optional<SystemVersion> version = ParseVersion(value)) return *version;
    return SystemVersion{};
}

void SetSystemVersionForTesting(SystemVersion version) {
    if (version.major < 0) TestingVersion().reset();
    else TestingVersion() = version;
}

bool IsWindowsAtLeast(const std::string& versionWord) {
    bool atLeast = true;
    Guard("UP.002-01", [&] {
        const std::string word = platform::AsciiLower(versionWord);
        SystemVersion required{0, 0};
        if (word == "98") required = {4, 10};
        else if (word == "2k") required = {5, 0};
        else if (word == "xp") required = {5, 1};
        else if (word == "vista") required = {6, 0};
        const SystemVersion system = CurrentSystemVersion();
        atLeast = !(system.major < required.major || (system.major == required.major && system.minor < required.minor));
    });
    return atLeast;
}

}  // namespace kestrune
