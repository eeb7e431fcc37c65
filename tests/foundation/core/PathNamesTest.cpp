#include <gtest/gtest.h>

#include "foundation/core/PathNames.h"
#include "foundation/core/Printable.h"

using namespace kestrune;

namespace {

TEST(PathNames, ANameThatCouldLeaveItsFolderOrBreakALineIsRefused) {
    struct Case {
        std::string name;
        bool safe;
    } const cases[] = {
        {"Prog", true},
        {"My Prog 1.2", true},
        {"Программа", true},
        {"-platform", true},
        {".hidden", true},
        {"a.b", true},
        {std::string(255, 'n'), true},
        {"", false},
        {".", false},
        {"..", false},
        {" . ", false},
        {"   ", false},
        {"a..b", false},
        {"a/b", false},
        {"a\\b", false},
        {"a\tb", false},
        {"a\rb", false},
        {"a\nb", false},
        {"\x1b[31m", false},
        {"a\x7f", false},
        {std::string("a\0b", 3), false},
        {std::string(256, 'n'), false},
        // 256 bytes: 200 letters and 28 two-byte ones.
        {std::string(200, 'n') +
             [] {
                 std::string p;
                 for (int i = 0; i < 28; ++i) p += "П";
                 return p;
             }(),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.name, 40));
        EXPECT_EQ(IsSafePathName(c.name), c.safe);
        EXPECT_EQ(PathNameFault(c.name).empty(), c.safe);
    }
}

TEST(PathNames, RoomForASuffixCountsAgainstTheNameLimit) {
    EXPECT_TRUE(IsSafePathName(std::string(238, 'n'), kLongestPrefixSuffix));
    EXPECT_FALSE(IsSafePathName(std::string(239, 'n'), kLongestPrefixSuffix));
    EXPECT_FALSE(IsSafePathName("n", static_cast<std::size_t>(-1)));
    EXPECT_EQ(PathNameFault(std::string(239, 'n'), kLongestPrefixSuffix), "is longer than a file name may be");
}

TEST(PathNames, ARelativePathIsMadeOfSafeNames) {
    struct Case {
        std::string path;
        bool safe;
    } const cases[] = {
        {"KV.Kestrune", true},
        {"KV.Kestrune\\Prog", true},
        {"KV.Kestrune/Prog", true},
        {"KV.Kestrune\\", true},
        {"", false},
        {"\\", false},
        {"/etc", false},
        {"KV.Kestrune\\\\Prog", false},
        {"KV.Kestrune\\..", false},
        {"KV.Kestrune\\.\\x", false},
        {"a\\b\tc", false},
        {"KV.Kestrune\\" + std::string(256, 'n'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.path, 40));
        EXPECT_EQ(IsSafeRelativePath(c.path), c.safe);
    }
}

TEST(PathNames, APathMayNotOutgrowTheSystemLimit) {
    const std::string folder = "/" + std::string(4000, 'f');
    EXPECT_TRUE(FitsInPath(folder, 4095 - folder.size() - 1));
    EXPECT_FALSE(FitsInPath(folder, 4095 - folder.size()));
    EXPECT_TRUE(FitsInPath(folder + "\\", 4095 - folder.size() - 1)) << "a separator at the end is not counted twice";
    EXPECT_FALSE(FitsInPath("/", static_cast<std::size_t>(-1)));
}

TEST(Printable, ControlBytesAndBrokenUtf8AreShownEscaped) {
    struct Case {
        std::string text;
        std::string shown;
    } const cases[] = {
        {"Prog 2.0", "Prog 2.0"},
        {"C:\\Prog\\icon.ico", "C:\\Prog\\icon.ico"},
        {"Программа", "Программа"},
        {"a\r\nb", "a\\x0d\\x0ab"},
        {"\x1b]0;title\x07", "\\x1b]0;title\\x07"},
        {"tab\there", "tab\\x09here"},
        {"del\x7f", "del\\x7f"},
        {std::string("nul\0", 4), "nul\\x00"},
        {"\xc2\x9b"
         "2J",
         "\\xc2\\x9b2J"},  // U+009B, the C1 control sequence introducer
        {"\x9b"
         "2J",
         "\\x9b2J"},                          // the same as a lone byte
        {"\xc0\xaf", "\\xc0\\xaf"},           // an over-long "/"
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},  // a surrogate
        {"cut \xd0", "cut \\xd0"},            // a sequence cut short
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(Printable(c.text), c.shown);
}

TEST(Printable, ALongTextIsCutBetweenCharacters) {
    EXPECT_EQ(Printable(std::string(10, 'a'), 4), "aaaa...");
    EXPECT_EQ(Printable("abcd", 4), "abcd");
    // "ПП" is four bytes: a cut after three keeps the first letter whole.
    EXPECT_EQ(Printable("ППП", 3), "П...");
    EXPECT_EQ(Printable("a\nb", 2), "a\\x0a...");
}

}  // namespace
