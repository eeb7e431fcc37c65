#include "language/pack/LanguagePack.h"

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune::langpack;
using Lines = std::vector<std::string>;

struct PackCase {
    const char* label;
    std::string bytes;
    std::string nativeName;
    std::string tag;
    Lines body;
    Credits credits;
};

// Reads a pack the way the loader does: bytes decoded, split into lines, header and body.
struct ReadPack {
    PackHeader header;
    Lines body;
    Credits credits;
    explicit ReadPack(std::string_view bytes) {
        const Lines lines = SplitLines(DecodePackText(bytes));
        header = ReadPackHeader(lines);
        AppendPackBody(lines, body, &credits);
    }
};

const std::string kTag = "< Lang.Pack for KV.Kestrune 1.0 >";

TEST(PackReader, ReadsHeaderBodyAndCreditsOfSmallPacks) {
    const std::vector<PackCase> cases = {
        {"comments before the header and in the body, LF ends",
         "// made by hand\n\\\\ old style\nEnglish\n" + kTag + "\n[|FormA|]\n// skipped\n<|Label1|>\nText\n",
         "English", kTag, {"[|FormA|]", "<|Label1|>", "Text"}, {}},
        {"CR LF ends, a bare CR is kept, an empty value line stays",
         "English\r\n" + kTag + "\r\n[|FormA|]\r\n<|Label1|>\r\n\r\na\rb\r\n",
         "English", kTag, {"[|FormA|]", "<|Label1|>", "", "a\rb"}, {}},
        {"a byte-order mark before UTF-8 text",
         "\xEF\xBB\xBF\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\n" + kTag + "\n[|F|]\n",
         "Русский", kTag, {"[|F|]"}, {}},
        {"Windows-1251 bytes",
         "\xD0\xF3\xF1\xF1\xEA\xE8\xE9\n" + kTag + "\n[|F|]\n<|Label1|>\n\xCE\xF8\xE8\xE1\xEA\xE0 \xB8\xA8 \xB9\n",
         "Русский", kTag, {"[|F|]", "<|Label1|>", "Ошибка ёЁ №"}, {}},
        {"a missing tag: the reader sees an empty line past the end", "// only a name\nDeutsch", "Deutsch", "", {}, {}},
        {"credit keys in any letter case, each with its = sign",
         "Deutsch\n" + kTag + "\nTranslateAuthorURL=http://x.example\nTRANSLATEAUTHOR=Anna = B\n"
         "translateauthormail=a@b.example\ntranslateauthor\n[|F|]\n",
         "Deutsch", kTag, {"[|F|]"}, {"Anna = B", "http://x.example", "a@b.example"}},
        {"header lines are not trimmed", "English \n" + kTag + " \n", "English ", kTag + " ", {}, {}},
        {"a body that ends with a marker as the very last line",
         "E\n" + kTag + "\n[|F|]\n<|Label1|>", "E", kTag, {"[|F|]", "<|Label1|>"}, {}},
        {"UTF-8 cut inside its last character stays UTF-8",
         "E\n" + kTag + "\n[|F|]\n\xD0\x9E\xD0", "E", kTag, {"[|F|]", "О"}, {}},
        {"nothing at all", "", "", "", {}, {}},
    };
    for (const PackCase& c : cases) {
        SCOPED_TRACE(c.label);
        const ReadPack pack(c.bytes);
        EXPECT_EQ(pack.header.nativeName, c.nativeName);
        EXPECT_EQ(pack.header.tag, c.tag);
        EXPECT_EQ(pack.body, c.body);
        EXPECT_EQ(pack.credits.name, c.credits.name);
        EXPECT_EQ(pack.credits.url, c.credits.url);
        EXPECT_EQ(pack.credits.mail, c.credits.mail);
    }
}

TEST(PackReader, FindsSectionsWithoutLetterCaseButWithBlanks) {
    const Lines list = {"[|FormA|]", "<|L|>", "a", "[|forma|]", "[|FORMA |]", "<|L|>", "b", "[|", "[|]"};
    EXPECT_EQ(FindNextSection(list, 0, "FORMa"), 1u);
    EXPECT_EQ(FindNextSection(list, 1, "FormA"), 4u);
    EXPECT_EQ(FindNextSection(list, 4, "FormA"), 0u) << "a trailing blank belongs to the name";
    EXPECT_EQ(FindNextSection(list, 0, "FormA "), 5u);
    EXPECT_EQ(FindNextSection(list, 0, ""), 8u) << "a header too short for a name has an empty one";
    EXPECT_EQ(FindSectionEnd(list, 1), 2u);
    EXPECT_EQ(FindSectionEnd(list, 4), 3u) << "a header right after a header ends an empty section";
    EXPECT_EQ(FindSectionEnd(list, 0), 0u);
    EXPECT_EQ(FindSectionEnd({"[|F|]", "<|L|>"}, 1), 1u);
    EXPECT_EQ(FindSectionEnd({}, 1), 0u);
}

TEST(PackReader, ReadsEntriesOfASection) {
    const Lines list = {"[|F|]", "before any marker", "<|Label1|>", "one", "two", "<|NTCLabel2|>", "kept",
                        "<|Hint-NTCLabel2|>", "hint", "<|Hint-|>", "x", "<|", "<|Hint-", "<|Label1|>"};
    const std::vector<SectionEntry> entries = ReadSectionEntries(list, 1, 99);
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].name, "Label1");
    EXPECT_FALSE(entries[0].hint);
    EXPECT_EQ(entries[0].values, (std::vector<std::string_view>{"one", "two"}));
    EXPECT_TRUE(entries[1].name.empty()) << "an NTC text entry is not applied";
    EXPECT_TRUE(entries[1].values.empty());
    EXPECT_EQ(entries[2].name, "NTCLabel2");
    EXPECT_TRUE(entries[2].hint);
    EXPECT_EQ(entries[2].values, (std::vector<std::string_view>{"hint"}));
    for (std::size_t i = 3; i < 6; ++i) EXPECT_TRUE(entries[i].name.empty()) << i;
    EXPECT_EQ(entries[6].name, "Label1");
    EXPECT_TRUE(entries[6].values.empty()) << "a marker on the last line has no values";
}

TEST(TextReplacement, EndsWhateverThePatternAndKeepsTheRestAsItStands) {
    struct Case {
        std::string text, pattern, value, expected;
        int count;
    };
    const std::vector<Case> cases = {
        {"[%pn] - [%pn]", "[%pn]", "KV.Kestrune", "KV.Kestrune - KV.Kestrune", 2},
        {"aaa", "a", "aa", "aaaaaa", 3},
        {"abc", "", "x", "abc", 0},
        {"100% %s %n", "%s", "", "100%  %n", 1},
        {"no pattern", "zz", "y", "no pattern", 0},
        {"", "a", "b", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " / " + c.pattern);
        int count = -1;
        EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.value, &count), c.expected);
        EXPECT_EQ(count, c.count);
    }
    EXPECT_EQ(ReplaceProductName("Ошибка [%pn] 5%"), "Ошибка KV.Kestrune 5%");
    EXPECT_EQ(FindSubstring("abcabc", "ca"), 3u);
    EXPECT_EQ(FindSubstring("ab", "abc"), 0u);
    EXPECT_EQ(FindSubstring("ab", ""), 0u);
    EXPECT_EQ(FindSubstring("ab", "x"), 0u);
}

TEST(ShippedEnglishPack, IsOfferedAndHoldsTheWindowsBuiltSoFar) {
    const std::string bytes = testsupport::ReadFile(testsupport::SourceDir() + "/resources/Language/English/English.txt");
    ASSERT_FALSE(bytes.empty());
    const ReadPack pack(bytes);
    EXPECT_EQ(pack.header.nativeName, "English");
    EXPECT_EQ(pack.header.tag, kTag);
    for (const char* window : {"FormKestrune", "UFormError", "FormSettings"}) {
        EXPECT_NE(FindNextSection(pack.body, 0, window), 0u) << window;
    }
    for (const std::string& line : pack.body) {
        EXPECT_FALSE(IsKeptTextMarker(line)) << "an NTC text entry would do nothing: " << line;
        EXPECT_TRUE(IsValidUtf8(line)) << line;
    }
}

}  // namespace
