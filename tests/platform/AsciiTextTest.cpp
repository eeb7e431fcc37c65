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
