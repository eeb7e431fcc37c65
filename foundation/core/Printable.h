#pragma once
// Outside text (a parameter, a stored value) quoted in a message or a log line.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// The text with every byte that a terminal or a log reader could take as a command shown as
// \xNN: bytes below 0x20, DEL, the C1 controls U+0080..U+009F and bytes that are not part of
// well-formed UTF-8. A backslash stays as it is (paths hold it); other UTF-8 text, Russian
// included, stays readable. A text longer than maxBytes is cut there and "..." added.
std::string Printable(std::string_view text, std::size_t maxBytes = 300);

}  // namespace kestrune
