#pragma once
// Letter case of the program's own words (kind words, tags, header names, pack sections, ini and
// registry names, address schemes): ASCII only, so that the result never depends on the locale.
// Other bytes (UTF-8 included) are kept. The one home of the program's ASCII letter case; it
// lives in platform/, the lowest layer, so that the registry store can use it too.

#include <string>
#include <string_view>

namespace platform {

// The text with A-Z made a-z; every other byte as it was.
std::string AsciiLower(std::string_view text);
// Equal when A-Z and a-z are taken as the same letters.
bool AsciiEqualsNoCase(std::string_view a, std::string_view b);
bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace platform
