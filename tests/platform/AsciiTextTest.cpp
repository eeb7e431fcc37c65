#include <gtest/gtest.h>

#include "platform/AsciiText.h"

namespace {

// Only A-Z change; every other byte, UTF-8 and Latin-1 letters included, stays as it was, whatever
// the locale says.
TEST(AsciiText, OnlyAsciiLettersChangeCase) {
    struct Case {
        std::string text;
        std::string lowered;
    } const cases[] = {
        {"Russian", "russian"},
        {"HTTP://Example.ORG/A-Z", "http://example.org/a-z"},
        {"@[`{", "@[`{"},  // the bytes either side of A-Z and a-z
        {"\xD0\xA0\xD1\x83\xD1\x81", "\xD0\xA0\xD1\x83\xD1\x81"},
        {"\xC0\xC9\xDE", "\xC0\xC9\xDE"},
        {std::string("A\0B", 3), std::string("a\0b", 3)},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::AsciiLower(c.text), c.lowered) << c.text;
        EXPECT_TRUE(platform::AsciiEqualsNoCase(c.text, c.lowered)) << c.text;
    }
    EXPECT_FALSE(platform::AsciiEqualsNoCase("\xC0", "\xE0"));
    EXPECT_FALSE(platform::AsciiEqualsNoCase("abc", "abcd"));
    EXPECT_TRUE(platform::AsciiStartsWithNoCase("HTTPS://x", "https://"));
    EXPECT_FALSE(platform::AsciiStartsWithNoCase("http", "https://"));
}

}  // namespace

// The classes of letters are the C locale's, whatever the locale says: a byte above 0x7F is
// never a letter.
TEST(AsciiText, LettersAreAsciiOnly) {
    struct Case {
        char c;
        bool alpha, alnum;
    } const cases[] = {
        {'a', true, true},      {'Z', true, true},    {'5', false, true},     {'_', false, false},
        {'@', false, false},    {'[', false, false},  {'`', false, false},    {'{', false, false},
        {' ', false, false},    {'\0', false, false}, {'\xA0', false, false}, {'\xC0', false, false},
        {'\xE9', false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::AsciiIsAlpha(c.c), c.alpha) << int(static_cast<unsigned char>(c.c));
        EXPECT_EQ(platform::AsciiIsAlnum(c.c), c.alnum) << int(static_cast<unsigned char>(c.c));
    }
}

TEST(AsciiText, TrimmingTakesOnlyTheNamedBlanks) {
    struct Case {
        std::string text;
        std::string_view blanks;
        std::string trimmed;
    } const cases[] = {
        {" \tvalue \t", platform::kLineBlanks, "value"},
        {"\rvalue\n", platform::kLineBlanks, "\rvalue\n"},
        {" \r\nvalue\f\v ", platform::kAsciiSpaces, "value"},
        {"a b", platform::kLineBlanks, "a b"},
        {" \t ", platform::kLineBlanks, ""},
        {"", platform::kAsciiSpaces, ""},
        {"\xA0x\xA0", platform::kAsciiSpaces, "\xA0x\xA0"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::AsciiTrimmed(c.text, c.blanks), c.trimmed) << c.text;
}

// Each caller names the bytes it escapes; the escape is "%" and two upper-case hex digits, and
// every hex digit of either case reads back.
TEST(AsciiText, PercentEscapeWritesWhatItIsToldAndHexDigitsReadBack) {
    const platform::EscapedByte notLetter = [](unsigned char b) {
        return !platform::AsciiIsAlnum(static_cast<char>(b));
    };
    const platform::EscapedByte controls = [](unsigned char b) { return b < 0x20 || b == '%'; };
    struct Case {
        std::string text;
        platform::EscapedByte mustEscape;
        std::string escaped;
    } const cases[] = {
        {"Ab9", notLetter, "Ab9"},
        {"a b/\xFF", notLetter, "a%20b%2F%FF"},
        {std::string("\0\x1f%z", 4), controls, "%00%1F%25z"},
        {"", notLetter, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::PercentEscaped(c.text, c.mustEscape), c.escaped) << c.escaped;
        std::string appended = "x";
        platform::AppendPercentEscaped(appended, c.text, c.mustEscape);
        EXPECT_EQ(appended, "x" + c.escaped);
    }
    const std::string digits = "0123456789abcdefABCDEF";
    for (std::size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(platform::HexDigitValue(digits[i]), i < 16 ? int(i) : int(i) - 6) << digits[i];
    for (const char c : std::string("gG/:@` \xFF")) EXPECT_EQ(platform::HexDigitValue(c), -1) << c;
}
