#pragma once
// Letter case of the program's own words (kind words, tags, header names): ASCII only, so that
// the result never depends on the locale.

#include <string>
#include <string_view>

namespace kestrune {

// The text with A-Z made a-z; every other byte as it was.
std::string AsciiLower(std::string_view text);

}  // namespace kestrune
