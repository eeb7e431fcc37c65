#pragma once
// The system version test: the stand-in answers as a current Windows unless told otherwise.

#include <string>

namespace kestrune {

// Whether the system is at least the version the word names ("98" 4.10, "2k" 5.0, "xp" 5.1,
// "vista" 6.0, any letter case); any other word is always true. The stand-in answers as a current
// Windows (10.0) unless KESTRUNE_WINDOWS_VERSION ("major.minor") or the test seam says otherwise.
bool IsWindowsAtLeast(const std::string& versionWord);
struct SystemVersion {
    int major = 10;
    int minor = 0;
};
SystemVersion CurrentSystemVersion();
// Tests set an older system; a negative major version returns to the environment and the default.
void SetSystemVersionForTesting(SystemVersion version);

}  // namespace kestrune
