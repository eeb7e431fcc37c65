#include "language/pack/LanguagePack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

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
    explicit ReadPack(std::string_view bytes, LegacyCodePage legacy = LegacyCodePage::Cp1251) {
        const Lines lines = SplitLines(DecodePackText(bytes, legacy));
        header = ReadPackHeader(lines);
        AppendPackBody(lines, body, &credits);
    }
};

const std::string kTag = "< Lang.Pack for KV.Kestrune 1.0 >";

TEST(PackReader, ReadsHeaderBodyAndCreditsOfSmallPacks) {
    const std::vector<PackCase> cases = {
        {"comments before the header and in the body, LF ends",
         "// made by hand\n\\\\ old style\nEnglish\n" + kTag + "\n[|FormA|]\n// skipped\n<|Label1|>\nText\n",
         "English",
         kTag,
         {"[|FormA|]", "<|Label1|>", "Text"},
         {}},
        {"CR LF ends, a bare CR is kept, an empty value line stays",
         "English\r\n" + kTag + "\r\n[|FormA|]\r\n<|Label1|>\r\n\r\na\rb\r\n",
         "English",
         kTag,
         {"[|FormA|]", "<|Label1|>", "", "a\rb"},
         {}},
        {"a byte-order mark before UTF-8 text",
         "\xEF\xBB\xBF\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\n" + kTag + "\n[|F|]\n",
         "Русский",
         kTag,
         {"[|F|]"},
         {}},
        {"Windows-1251 bytes",
         "\xD0\xF3\xF1\xF1\xEA\xE8\xE9\n" + kTag + "\n[|F|]\n<|Label1|>\n\xCE\xF8\xE8\xE1\xEA\xE0 \xB8\xA8 \xB9\n",
         "Русский",
         kTag,
         {"[|F|]", "<|Label1|>", "Ошибка ёЁ №"},
         {}},
        {"a missing tag: the reader sees an empty line past the end", "// only a name\nDeutsch", "Deutsch", "", {}, {}},
        {"credit keys in any letter case, each with its = sign",
         "Deutsch\n" + kTag +
             "\nTranslateAuthorURL=http://x.example\nTRANSLATEAUTHOR=Anna = B\n"
             "translateauthormail=a@b.example\ntranslateauthor\n[|F|]\n",
         "Deutsch",
         kTag,
         {"[|F|]"},
         {"Anna = B", "http://x.example", "a@b.example"}},
        {"header lines are not trimmed", "English \n" + kTag + " \n", "English ", kTag + " ", {}, {}},
        {"a body that ends with a marker as the very last line",
         "E\n" + kTag + "\n[|F|]\n<|Label1|>",
         "E",
         kTag,
         {"[|F|]", "<|Label1|>"},
         {}},
        {"UTF-8 cut inside its last character stays UTF-8",
         "E\n" + kTag + "\n[|F|]\n\xD0\x9E\xD0",
         "E",
         kTag,
         {"[|F|]", "О"},
         {}},
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

TEST(PackDecoding, LegacyCodePageFollowsTheLanguage) {
    const std::vector<std::pair<const char*, LegacyCodePage>> cases = {
        {"Russian", LegacyCodePage::Cp1251},   {"ukrainian", LegacyCodePage::Cp1251},
        {"BULGARIAN", LegacyCodePage::Cp1251}, {"Belarusian", LegacyCodePage::Cp1251},
        {"Polish", LegacyCodePage::Cp1250},    {"Czech", LegacyCodePage::Cp1250},
        {"Hungarian", LegacyCodePage::Cp1250}, {"Greek", LegacyCodePage::Cp1253},
        {"Turkish", LegacyCodePage::Cp1254},   {"German", LegacyCodePage::Cp1252},
        {"English", LegacyCodePage::Cp1252},   {"French", LegacyCodePage::Cp1252},
        {"", LegacyCodePage::Cp1252},          {"Russian ", LegacyCodePage::Cp1252},
    };
    for (const auto& [language, page] : cases) EXPECT_EQ(LegacyCodePageOf(language), page) << language;
}

struct DecodeCase {
    const char* label;
    std::string bytes;
    LegacyCodePage page;
    std::string text;
};

void ExpectDecoded(const std::vector<DecodeCase>& cases) {
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string text = DecodePackText(c.bytes, c.page);
        EXPECT_EQ(text, c.text);
        EXPECT_TRUE(IsValidUtf8(text));
    }
}

// Each line on its own: UTF-8 where it is UTF-8, the legacy code page elsewhere.
TEST(PackDecoding, DecodesLineByLine) {
    const std::vector<DecodeCase> cases = {
        {"1252 letters", "\xC4\xF6\xFC\xDF \x80 \x93x\x94", LegacyCodePage::Cp1252, "Äöüß € “x”"},
        {"the same bytes in 1251", "\xC4\xF6\xFC\xDF", LegacyCodePage::Cp1251, "ДцьЯ"},
        {"one stray byte spoils its own line only",
         "\xD0\x9E\xD0\xBA\r\nStra\xDF"
         "e\r\n\xD0\x9E\xD0\xBA\r\n",
         LegacyCodePage::Cp1252, "Ок\r\nStraße\r\nОк\r\n"},
        {"a byte-order mark goes, line ends stay",
         "\xEF\xBB\xBF"
         "a\nb\r\n",
         LegacyCodePage::Cp1252, "a\nb\r\n"},
        {"a cut last UTF-8 character goes", "x\n\xD0\x9E\xD0", LegacyCodePage::Cp1252, "x\nО"},
        {"a last line that merely ends in a legacy letter keeps it", "wei\xDF", LegacyCodePage::Cp1252, "weiß"},
        {"unassigned bytes become the replacement character", "\x81\x98", LegacyCodePage::Cp1251,
         "\xD0\x83\xEF\xBF\xBD"},
        {"1250 letters",
         "\xA3\xF3"
         "d\x9F\n\xC5\xEB\n\xDE\xFD",
         LegacyCodePage::Cp1250, "Łódź\nĹë\nŢý"},
        {"Greek", "\xC5\xEB\xEB\xE7\xED\xE9\xEA\xDC", LegacyCodePage::Cp1253, "Ελληνικά"},
        {"Turkish", "\xDE\xFEi\xF0\xFD", LegacyCodePage::Cp1254, "Şşiğı"},
    };
    ExpectDecoded(cases);
}

// Legacy lines that happen to be valid UTF-8 (an upper-case Cyrillic letter followed by і, ї, є,
// ґ, ё or ў is a two-byte UTF-8 sequence) read as written in a legacy file, a UTF-8 file and a
// file of whole lines of both.
TEST(PackDecoding, LegacyLinesThatAreValidUtf8) {
    // Windows-1251: "Ні", "Сї", "Тє", "Кґ", "Вё", "Уў" are valid UTF-8; "Дякую" is not.
    const std::string shortLines = "\xCD\xB3\r\n\xD1\xBF\r\n\xD2\xBA\r\n\xCA\xB4\r\n\xC2\xB8\r\n\xD3\xA2\r\n";
    const std::string shortText = "Ні\r\nСї\r\nТє\r\nКґ\r\nВё\r\nУў\r\n";
    const std::string thanks1251 = "\xC4\xFF\xEA\xF3\xFE\r\n";
    const std::vector<DecodeCase> cases = {
        {"a legacy file", "Ukrainian\r\n" + thanks1251 + shortLines, LegacyCodePage::Cp1251,
         "Ukrainian\r\nДякую\r\n" + shortText},
        {"a legacy file of valid UTF-8 alone", "\xCD\xB3\r\n<|Label1|>\r\n\xD1\xBF", LegacyCodePage::Cp1251,
         "Ні\r\n<|Label1|>\r\nСї"},
        {"a UTF-8 file", "Дякую\r\n" + shortText, LegacyCodePage::Cp1251, "Дякую\r\n" + shortText},
        {"a UTF-8 file of short words", "и\r\nЯ\r\n© 2026 — ок\r\n", LegacyCodePage::Cp1251,
         "и\r\nЯ\r\n© 2026 — ок\r\n"},
        {"UTF-8 lines among legacy lines",
         "Дякую\r\n" + shortLines + "\xCF\xF0\xE8\xE2\xB3\xF2\r\nи\r\nЯ\r\nміст «Київ» — так\r\n",
         LegacyCodePage::Cp1251, "Дякую\r\n" + shortText + "Привіт\r\nи\r\nЯ\r\nміст «Київ» — так\r\n"},
        {"UTF-8 lines among Western legacy lines",
         "Stra\xDF"
         "e\r\nÜber\r\ngroß\r\nMüller\r\n",
         LegacyCodePage::Cp1252, "Straße\r\nÜber\r\ngroß\r\nMüller\r\n"},
        {"a byte-order mark keeps UTF-8 as it is", "\xEF\xBB\xBF\xCD\xB3\r\n\xC4\xFF\r\n", LegacyCodePage::Cp1251,
         "\xCD\xB3\r\nДя\r\n"},
        // "Ні", "Ці", "Ті", "Её" in Windows-1251, one at a time among UTF-8 lines: the rest of the
        // file being UTF-8 does not make them UTF-8.
        {"one legacy line in a UTF-8 file", "Дякую\r\n\xCD\xB3\r\nПривіт\r\n", LegacyCodePage::Cp1251,
         "Дякую\r\nНі\r\nПривіт\r\n"},
        {"legacy lines among UTF-8 ones", "Дякую\r\n\xD6\xB3\r\nміст\r\n\xD2\xB3\r\n\xC5\xB8\r\nЯ\r\n",
         LegacyCodePage::Cp1251, "Дякую\r\nЦі\r\nміст\r\nТі\r\nЕё\r\nЯ\r\n"},
        // "Рік" (D0 B3 EA) is "г" and a cut character to UTF-8: as a last line without a line end
        // it is the legacy word.
        {"a legacy last word that looks cut", "\xC4\xFF\xEA\xF3\xFE\r\n\xD0\xB3\xEA", LegacyCodePage::Cp1251,
         "Дякую\r\nРік"},
        {"a legacy file of that word alone", "\xD0\xB3\xEA", LegacyCodePage::Cp1251, "Рік"},
        {"a UTF-8 file cut inside its last word stays UTF-8", "Дякую\r\nПрив\xD1", LegacyCodePage::Cp1251,
         "Дякую\r\nПрив"},
    };
    ExpectDecoded(cases);
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
    const Lines list = {"[|F|]",   "before any marker",  "<|Label1|>", "one",       "two", "<|NTCLabel2|>",
                        "kept",    "<|Hint-NTCLabel2|>", "hint",       "<|Hint-|>", "x",   "<|",
                        "<|Hint-", "<|Label1|>"};
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
    const std::string bytes =
        testsupport::ReadFile(testsupport::SourceDir() + "/resources/Language/English/English.txt");
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

// Windows and frames that exist and are translated: every designed window, and the frames that
// are translated by their own call under the name they have where they are embedded. The
// first-run chooser (asked before any language is known) and the not-supported window (its texts
// stand in both languages) keep their design texts; a designed frame (TUFrame...) is named by
// its embedding.
std::vector<std::string> TranslatedWindows() {
    std::vector<std::string> names{"UFrame11", "FrameTUAU1", "FrameUProcedures1"};
    const std::regex root(R"re(<ui[^>]*>\s*<class>[^<]*</class>\s*<widget class="[^"]*" name="([^"]+)")re");
    for (const auto& entry : std::filesystem::directory_iterator(testsupport::SourceDir() + "/resources/forms")) {
        if (entry.path().extension() != ".ui") continue;
        const std::string text = testsupport::ReadFile(entry.path());
        std::smatch match;
        if (!std::regex_search(text, match, root)) {
            ADD_FAILURE() << "no root window in " << entry.path();
            continue;
        }
        const std::string name = match[1];
        if (name.rfind("TUFrame", 0) == 0 || name == "UFormFirstChoose" || name == "UFormNotSupportedOS") continue;
        names.push_back(name);
    }
    return names;
}

// Every entry of every shipped pack: no value block ends in an empty line (it would add a line
// break to the text), no entry is left without a value, and each main pack has a section for
// every window that exists.
TEST(ShippedPacks, EveryEntryIsCleanAndEveryWindowHasItsSection) {
    const std::vector<std::string> windows = TranslatedWindows();
    ASSERT_GE(windows.size(), 4u);
    int packs = 0;
    for (const auto& folder : std::filesystem::directory_iterator(testsupport::SourceDir() + "/resources/Language")) {
        const std::string language = folder.path().filename();
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            if (file.path().extension() != ".txt") continue;
            ++packs;
            SCOPED_TRACE(file.path().string());
            const std::string bytes = testsupport::ReadFile(file.path());
            EXPECT_TRUE(IsValidUtf8(bytes)) << "shipped packs are UTF-8";
            // Every line judged on its own: none of them reads as legacy text.
            EXPECT_EQ(DecodePackText(bytes, LegacyCodePageOf(language)),
                      bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes);
            const Lines lines = SplitLines(DecodePackText(bytes, LegacyCodePageOf(language)));
            Lines body;
            AppendPackBody(lines, body, nullptr);
            for (std::size_t i = 0; i < body.size(); ++i) {
                if (!IsSectionHeader(body[i])) continue;
                const std::size_t first = i + 1;
                for (const SectionEntry& entry : ReadSectionEntries(body, first, FindSectionEnd(body, first))) {
                    if (entry.name.empty()) continue;
                    SCOPED_TRACE(body[i] + " " + std::string(entry.name));
                    ASSERT_FALSE(entry.values.empty()) << "an entry without a value";
                    EXPECT_FALSE(entry.values.back().empty()) << "a value that ends in an empty line";
                }
            }
            if (file.path().filename() != language + ".txt") continue;
            EXPECT_EQ(ReadPackHeader(lines).tag, kTag);
            for (const std::string& window : windows)
                EXPECT_NE(FindNextSection(body, 0, window), 0u) << "no section for " << window;
        }
    }
    EXPECT_GE(packs, 1);
}

}  // namespace
