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

bool AsciiIsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool AsciiIsAlnum(char c) { return AsciiIsAlpha(c) || (c >= '0' && c <= '9'); }

std::string_view AsciiTrimmed(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void AppendPercentEscaped(std::string& out, std::string_view text, EscapedByte mustEscape) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (mustEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else {
            out += ch;
        }
    }
}

std::string PercentEscaped(std::string_view text, EscapedByte mustEscape) {
    std::string escaped;
    escaped.reserve(text.size());
    AppendPercentEscaped(escaped, text, mustEscape);
    return escaped;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace platform
