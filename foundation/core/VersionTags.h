#pragma once
// The one comparison of version texts, for the running-copy check and the new-version check.
//
// A version text is compared part by part at its dots (an underscore parts as a dot does, 1_5 = 1.5): the digits that open a part as a number of
// any length, by value (leading zeros count for nothing), then the rest of the part as text in any
// letter case, so 1.0 < 1.0a < 1.0b < 1.1. A missing part is an empty one (1.0 = 1.0.0), and one
// leading "v" or "V" is no part of the version (v1.0 = 1.0). Equal texts are always the same version.

#include <string>

namespace kestrune {

// Negative when a is older than b, 0 when the same, positive when newer.
int CompareVersionTags(const std::string& a, const std::string& b);

// A text that can be ordered against another: after the leading "v", it opens with a digit and holds
// no blank or control character. Anything else (an empty line, a word, a sentence) names no version.
bool IsOrderableVersionTag(const std::string& text);

}  // namespace kestrune
