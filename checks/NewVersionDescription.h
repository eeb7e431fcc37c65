#pragma once
// The description of a new version as the agent leaves it in the settings folder, and what is
// judged of it before it is announced: the version comparison, the size line, the size as text.
// No Qt: the check and the new-version window both use it.
//
// Description lines: 1 the version, 2 the date, 3 the download page, 4 the size in kilobytes (a
// 32-bit decimal integer), 5 and on the changes.

#include <string>

namespace kestrune {

enum class DescriptionCheck {
    Newer,     // a description of a newer version
    NotNewer,  // it names this program's own version or an older one
    Unusable,  // not a description: too large, unreadable, fewer than four lines, no size, or a
               // version that cannot be ordered against the running one
    Missing,   // nothing at the name (another copy has judged and removed it)
};
// Judges a description file before it is announced. The running version is CallingProgramVersion
// (the caller's P3 as given), compared by CompareVersionTags.
DescriptionCheck CheckDescriptionFile(const std::string& path);

// Line 4 of a description: a decimal integer, blanks around it and a leading "+" allowed.
bool ParseKilobytes(const std::string& line, int& kilobytes);
// "1.50": kilobytes as megabytes with two decimals, truncated.
std::string MegabyteText(int kilobytes);
// True when candidate names a later version than current; comparable false (and the answer false)
// when either cannot be ordered (IsOrderableVersionTag).
bool VersionIsNewer(const std::string& candidate, const std::string& current, bool& comparable);

}  // namespace kestrune
