#include "platform/AsciiText.h"

namespace platform {
namespace {
char LowerByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = LowerByte(c);
    return lowered;
}

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerByte(a[i]) != LowerByte(b[i])) return false;
    return true;
}

bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiEqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace platform
