#include "language/pack/LanguagePack.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/AsciiText.h"

namespace kestrune::langpack {

namespace {

// Bytes 0x80 to 0xFF of the Windows code pages; U+FFFD where a code page assigns nothing.
using HighHalf = std::array<char16_t, 128>;
constexpr HighHalf kCp1250 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr HighHalf kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr HighHalf kCp1252 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
constexpr HighHalf kCp1253 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0xFFFD, 0x2039, 0xFFFD,
    0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0xFFFD, 0x203A, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0xFFFD, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x0384, 0x00B5, 0x00B6, 0x00B7, 0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F, 0x0390,
    0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397, 0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D,
    0x039E, 0x039F, 0x03A0, 0x03A1, 0xFFFD, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA,
    0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4,
    0x03C5, 0x03C6, 0x03C7, 0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0xFFFD,
};
constexpr HighHalf kCp1254 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0xFFFD, 0xFFFD, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x011E, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x0130, 0x015E, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x011F, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0131, 0x015F, 0x00FF,
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
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
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

bool HasNonAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<std::uint8_t>(c) >= 0x80) return true;
    }
    return false;
}

const HighHalf& HighHalfOf(LegacyCodePage codePage) {
    return codePage == LegacyCodePage::Cp1250   ? kCp1250
           : codePage == LegacyCodePage::Cp1251 ? kCp1251
           : codePage == LegacyCodePage::Cp1253 ? kCp1253
           : codePage == LegacyCodePage::Cp1254 ? kCp1254
                                                : kCp1252;
}

enum class LetterCase { None, Upper, Lower };

// The letter case of the characters the code pages hold (Latin, Greek, Cyrillic); None for
// everything else, signs and marks included.
LetterCase CaseOf(char32_t c) {
    if (c >= 'A' && c <= 'Z') return LetterCase::Upper;
    if (c >= 'a' && c <= 'z') return LetterCase::Lower;
    if ((c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE)) return LetterCase::Upper;
    if ((c >= 0xDF && c <= 0xF6) || (c >= 0xF8 && c <= 0xFF)) return LetterCase::Lower;
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs of upper and lower case, shifted by one between U+0139 and U+0148 and from U+0179.
        if (c == 0x138 || c == 0x149 || c == 0x17F) return LetterCase::Lower;
        if (c == 0x178) return LetterCase::Upper;
        const bool shifted = (c >= 0x139 && c <= 0x148) || c >= 0x179;
        return (c % 2 == 0) != shifted ? LetterCase::Upper : LetterCase::Lower;
    }
    if (c == 0x192) return LetterCase::Lower;
    if (c == 0x386 || (c >= 0x388 && c <= 0x38F && c != 0x38B && c != 0x38D) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2))
        return LetterCase::Upper;
    if (c == 0x390 || (c >= 0x3AC && c <= 0x3CE)) return LetterCase::Lower;
    if ((c >= 0x400 && c <= 0x42F) || c == 0x490) return LetterCase::Upper;
    if ((c >= 0x430 && c <= 0x45F) || c == 0x491) return LetterCase::Lower;
    return LetterCase::None;
}

bool Encodable(char32_t c, const HighHalf& high) {
    if (c < 0x80) return true;
    for (const char16_t assigned : high) {
        if (assigned == c && assigned != 0xFFFD) return true;
    }
    return false;
}

// Whether a line read in the legacy code page is words: every byte above ASCII is a letter, and
// every word with such a letter is written in lower case, in upper case, or as one capital and
// lower case. Real UTF-8 text fails this nearly always (a Cyrillic word in UTF-8 reads as
// "РџСЂ..." in Windows-1251, upper and lower case and signs mixed).
bool ReadsAsLegacyWords(std::string_view bytes, const HighHalf& high) {
    std::size_t wordStart = 0, upper = 0, lower = 0;
    bool wordHasLegacyLetter = false, firstUpper = false;
    auto endWord = [&] {
        const std::size_t letters = upper + lower;
        const bool natural = lower == letters || upper == letters || (firstUpper && upper == 1);
        const bool ok = !wordHasLegacyLetter || natural;
        upper = lower = 0;
        wordHasLegacyLetter = firstUpper = false;
        return ok;
    };
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        const auto b = i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0;
        const char32_t c = b < 0x80 ? b : high[b - 0x80];
        const LetterCase kind = i < bytes.size() ? CaseOf(c) : LetterCase::None;
        if (b >= 0x80 && kind == LetterCase::None) return false;
        if (kind == LetterCase::None) {
            if (!endWord()) return false;
            wordStart = i + 1;
            continue;
        }
        if (i == wordStart) firstUpper = kind == LetterCase::Upper;
        (kind == LetterCase::Upper ? upper : lower) += 1;
        wordHasLegacyLetter = wordHasLegacyLetter || b >= 0x80;
    }
    return true;
}

// Whether UTF-8 text holds a character that the code page cannot write, so that a writer of
// that code page could not have meant it.
bool HoldsUnwritable(std::string_view utf8, const HighHalf& high) {
    for (std::size_t i = 0; i < utf8.size();) {
        bool truncated = false;
        const std::size_t length = Utf8SequenceLength(utf8, i, truncated);
        if (length == 0) break;
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        char32_t c = length == 1 ? lead : static_cast<char32_t>(lead & (0x7F >> length));
        for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3F);
        if (!Encodable(c, high)) return true;
        i += length;
    }
    return false;
}

// Whether a line whose first `utf8` bytes are UTF-8 is rather text in the legacy code page.
// - A whole UTF-8 line is legacy when it reads as words of the code page and, as UTF-8, holds a
//   character the code page cannot write (the Ukrainian "Ні", bytes CD B3, is UTF-8 for U+0373).
//   A short UTF-8 word whose code page reading happens to be a word ("и", "Я", "Über") fails
//   the second test.
// - A last line cut inside its last UTF-8 character is legacy when it reads as words: a cut
//   is what legacy text looks like to UTF-8 ("Рік", bytes D0 B3 EA, is "г" and a cut
//   character), while a UTF-8 file cut short reads as no words of the code page.
bool ReadsAsLegacy(std::string_view bytes, std::string_view utf8, LegacyCodePage codePage) {
    const HighHalf& high = HighHalfOf(codePage);
    if (!ReadsAsLegacyWords(bytes, high)) return false;
    return utf8.size() < bytes.size() || HoldsUnwritable(utf8, high);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) { return ValidUtf8Prefix(bytes) == bytes.size(); }

LegacyCodePage LegacyCodePageOf(std::string_view language) {
    static constexpr std::pair<std::string_view, LegacyCodePage> kLanguages[] = {
        {"russian", LegacyCodePage::Cp1251},    {"ukrainian", LegacyCodePage::Cp1251},
        {"belarusian", LegacyCodePage::Cp1251}, {"belorussian", LegacyCodePage::Cp1251},
        {"bulgarian", LegacyCodePage::Cp1251},  {"serbian", LegacyCodePage::Cp1251},
        {"macedonian", LegacyCodePage::Cp1251}, {"kazakh", LegacyCodePage::Cp1251},
        {"kyrgyz", LegacyCodePage::Cp1251},     {"tatar", LegacyCodePage::Cp1251},
        {"bashkir", LegacyCodePage::Cp1251},    {"mongolian", LegacyCodePage::Cp1251},
        {"tajik", LegacyCodePage::Cp1251},      {"polish", LegacyCodePage::Cp1250},
        {"czech", LegacyCodePage::Cp1250},      {"slovak", LegacyCodePage::Cp1250},
        {"hungarian", LegacyCodePage::Cp1250},  {"slovenian", LegacyCodePage::Cp1250},
        {"slovene", LegacyCodePage::Cp1250},    {"croatian", LegacyCodePage::Cp1250},
        {"bosnian", LegacyCodePage::Cp1250},    {"romanian", LegacyCodePage::Cp1250},
        {"albanian", LegacyCodePage::Cp1250},   {"greek", LegacyCodePage::Cp1253},
        {"turkish", LegacyCodePage::Cp1254},    {"azerbaijani", LegacyCodePage::Cp1254},
        {"azeri", LegacyCodePage::Cp1254},
    };
    for (const auto& [name, codePage] : kLanguages) {
        if (platform::AsciiEqualsNoCase(language, name)) return codePage;
    }
    return LegacyCodePage::Cp1252;
}

std::string LegacyToUtf8(std::string_view bytes, LegacyCodePage codePage) {
    const HighHalf& high = HighHalfOf(codePage);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        if (b < 0x80) out += ch;
        else AppendUtf8(out, high[b - 0x80]);
    }
    return out;
}

std::string DecodePackText(std::string_view bytes, LegacyCodePage legacy) {
    const bool marked = StartsWith(bytes, "\xEF\xBB\xBF");
    if (marked) bytes.remove_prefix(3);
    struct Line {
        std::string_view bytes;
        std::size_t valid;  // length of its UTF-8 text; npos: not UTF-8
        bool utf8 = false;  // read as UTF-8 (else in the legacy code page)
    };
    std::vector<Line> lines;
    for (std::size_t begin = 0; begin < bytes.size();) {
        const std::size_t newline = bytes.find('\n', begin);
        const bool last = newline == std::string_view::npos;
        const std::string_view line = bytes.substr(begin, last ? std::string_view::npos : newline - begin);
        std::size_t valid = ValidUtf8Prefix(line);
        // A UTF-8 file cut inside its last character keeps the text before the cut.
        if (valid != line.size() && !(last && valid != std::string_view::npos && HasNonAscii(line.substr(0, valid))))
            valid = std::string_view::npos;
        lines.push_back({line, valid});
        if (last) break;
        begin = newline + 1;
    }

    // Which lines are UTF-8. A line that is not UTF-8 is legacy. A line of ASCII alone reads the
    // same either way. Any other line is UTF-8, unless it reads as legacy text (ReadsAsLegacy),
    // each line on its own: one legacy line among UTF-8 ones is still legacy. A byte-order mark
    // makes every UTF-8 line UTF-8.
    for (Line& line : lines) {
        if (line.valid == std::string_view::npos || !HasNonAscii(line.bytes)) continue;
        line.utf8 = marked || !ReadsAsLegacy(line.bytes, line.bytes.substr(0, line.valid), legacy);
    }

    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.utf8 || !HasNonAscii(line.bytes)) out.append(line.bytes.substr(0, line.valid));
        else out.append(LegacyToUtf8(line.bytes, legacy));
        if (i + 1 < lines.size() || (!bytes.empty() && bytes.back() == '\n')) out += '\n';
    }
    return out;
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
            if (platform::AsciiStartsWithNoCase(view, kName)) credits->name = view.substr(kName.size());
            else if (platform::AsciiStartsWithNoCase(view, kUrl)) credits->url = view.substr(kUrl.size());
            else if (platform::AsciiStartsWithNoCase(view, kMail)) credits->mail = view.substr(kMail.size());
        }
        if (!inBody && IsSectionHeader(line)) inBody = true;
        if (inBody) target.push_back(line);
    }
}

std::size_t FindNextSection(const std::vector<std::string>& list, std::size_t start, std::string_view name) {
    for (std::size_t i = start; i < list.size(); ++i) {
        if (IsSectionHeader(list[i]) && platform::AsciiEqualsNoCase(SectionName(list[i]), name)) return i + 1;
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
