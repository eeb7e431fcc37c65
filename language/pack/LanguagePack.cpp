#include "language/pack/LanguagePack.h"

#include <array>
#include <cstdint>

#include "foundation/core/AsciiText.h"

namespace kestrune::langpack {

namespace {

// Windows-1251, bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F. 0x98 is unassigned.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at `i`, 0 when it is not valid. `truncated` is set when
// the sequence is a valid beginning that the end of the text cuts off.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, bool& truncated) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= s.size()) {
            truncated = true;
            return 0;
        }
        const std::uint8_t b = byte(i + k);
        if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
    }
    return length;
}

// Length of the text without a UTF-8 sequence that the end cuts off; npos when it is no UTF-8.
std::size_t ValidUtf8Prefix(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        bool truncated = false;
        const std::size_t length = Utf8SequenceLength(s, i, truncated);
        if (length == 0) return truncated ? i : std::string_view::npos;
        i += length;
    }
    return i;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) { return ValidUtf8Prefix(bytes) == bytes.size(); }

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        if (b < 0x80) out += ch;
        else if (b < 0xC0) AppendUtf8(out, kCp1251High[b - 0x80]);
        else AppendUtf8(out, 0x0410 + (b - 0xC0));
    }
    return out;
}

std::string DecodePackText(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t valid = ValidUtf8Prefix(bytes);
    if (valid == std::string_view::npos) return Cp1251ToUtf8(bytes);
    return std::string(bytes.substr(0, valid));
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        if (end > begin && text[end - 1] == '\r' && end < text.size()) --end;
        lines.emplace_back(text.substr(begin, end - begin));
        begin = next;
    }
    return lines;
}

bool IsNotCommentPrefix(std::string_view prefix) { return prefix != "//" && prefix != "\\\\"; }

bool IsCommentLine(std::string_view line) { return !IsNotCommentPrefix(line.substr(0, 2)); }

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string Lowered(std::string_view text) { return AsciiLower(text); }

bool EqualsNoCase(std::string_view a, std::string_view b) { return AsciiEqualsNoCase(a, b); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) { return AsciiStartsWithNoCase(text, prefix); }

std::string_view Between(std::string_view line, std::size_t head, std::size_t tail) {
    if (line.size() < head + tail) return {};
    return line.substr(head, line.size() - head - tail);
}

PackHeader ReadPackHeader(const std::vector<std::string>& lines) {
    PackHeader header;
    int taken = 0;
    for (const std::string& line : lines) {
        if (IsCommentLine(line)) continue;
        (taken == 0 ? header.nativeName : header.tag) = line;
        if (++taken == 2) break;
    }
    return header;
}

void AppendPackBody(const std::vector<std::string>& lines, std::vector<std::string>& target, Credits* credits) {
    static constexpr std::string_view kName = "translateauthor=";
    static constexpr std::string_view kUrl = "translateauthorurl=";
    static constexpr std::string_view kMail = "translateauthormail=";
    bool inBody = false;
    for (const std::string& line : lines) {
        if (IsCommentLine(line)) continue;
        if (credits) {
            const std::string_view view(line);
            if (StartsWithNoCase(view, kName)) credits->name = view.substr(kName.size());
            else if (StartsWithNoCase(view, kUrl)) credits->url = view.substr(kUrl.size());
            else if (StartsWithNoCase(view, kMail)) credits->mail = view.substr(kMail.size());
        }
        if (!inBody && IsSectionHeader(line)) inBody = true;
        if (inBody) target.push_back(line);
    }
}

std::size_t FindNextSection(const std::vector<std::string>& list, std::size_t start, std::string_view name) {
    for (std::size_t i = start; i < list.size(); ++i) {
        if (IsSectionHeader(list[i]) && EqualsNoCase(SectionName(list[i]), name)) return i + 1;
    }
    return 0;
}

std::size_t FindSectionEnd(const std::vector<std::string>& list, std::size_t start) {
    if (start == 0 || list.empty()) return 0;
    for (std::size_t i = start; i < list.size(); ++i) {
        if (IsSectionHeader(list[i])) return i - 1;
    }
    return list.size() - 1;
}

std::vector<SectionEntry> ReadSectionEntries(const std::vector<std::string>& list, std::size_t first,
                                             std::size_t last) {
    std::vector<SectionEntry> entries;
    if (list.empty()) return entries;
    if (last >= list.size()) last = list.size() - 1;
    bool open = false;
    for (std::size_t i = first; i <= last; ++i) {
        const std::string_view line = list[i];
        if (IsMarker(line)) {
            SectionEntry entry;
            entry.hint = IsHintMarker(line);
            entry.name = entry.hint || !IsKeptTextMarker(line) ? MarkerName(line) : std::string_view();
            entries.push_back(entry);
            open = true;
        } else if (IsSectionHeader(line)) {
            open = false;
        } else if (open && !entries.back().name.empty()) {
            entries.back().values.push_back(line);
        }
    }
    return entries;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view value, int* count) {
    int replaced = 0;
    std::string out;
    if (pattern.empty()) {
        out = text;
    } else {
        out.reserve(text.size());
        std::size_t from = 0;
        for (std::size_t at = text.find(pattern); at != std::string_view::npos; at = text.find(pattern, from)) {
            out.append(text.substr(from, at - from));
            out.append(value);
            from = at + pattern.size();
            ++replaced;
        }
        out.append(text.substr(from));
    }
    if (count) *count = replaced;
    return out;
}

std::size_t FindSubstring(std::string_view text, std::string_view pattern) {
    if (pattern.empty() || pattern.size() > text.size()) return 0;
    const std::size_t at = text.find(pattern);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceProductName(std::string_view text) { return ReplaceAll(text, kProductPlaceholder, kProductName); }

}  // namespace kestrune::langpack
