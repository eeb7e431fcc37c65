#include "foundation/core/Printable.h"

namespace kestrune {
namespace {

// Length of the well-formed UTF-8 sequence at the start of text, 0 when there is none.
std::size_t SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0;
        point = (point << 6) | (next & 0x3F);
    }
    // Over-long forms, surrogates and points beyond U+10FFFF are not well-formed.
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (point < smallest || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) return 0;
    return point <= 0x9F ? 0 : length;  // U+0080..U+009F are controls
}

void AppendEscaped(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

}  // namespace

std::string Printable(std::string_view text, std::size_t maxBytes) {
    const bool cut = text.size() > maxBytes;
    if (cut) {
        // Cut before a character, not inside one.
        std::size_t end = maxBytes;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80 && maxBytes - end < 3) --end;
        text = text.substr(0, end);
    }
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
            ++i;
        } else if (const std::size_t length = byte >= 0x80 ? SequenceLength(text.substr(i)) : 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            AppendEscaped(out, byte);
            ++i;
        }
    }
    if (cut) out += "...";
    return out;
}

}  // namespace kestrune
