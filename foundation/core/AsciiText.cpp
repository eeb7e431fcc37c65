#include "foundation/core/AsciiText.h"

namespace kestrune {

std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lowered;
}

}  // namespace kestrune
