// The add-on list: which new lists are accepted, which entries the window offers.
#include <gtest/gtest.h>

#include "checks/AddonList.h"
#include "tests/checks/LargeAddonList.h"

using namespace kestrune;
using checktest::LargeAddonList;
using checktest::LargeInstalledList;

namespace {

const std::string kList =
    "[List]\r\nCOA=4\r\nCntSize=%CNT%\r\nN1=Patch one\r\nN2=Add one\r\nN3=Other\r\nN4=Add two\r\n"
    "[Patch one]\r\nInNm=p1\r\nPrnt=Patch\r\n[Add one]\r\nInNm=a1\r\nPrnt=Add\r\nSz=1.5\r\ndt=01.02.2026\r\n"
    "Vrs=2.0\r\nRuT=Описание\r\nEnT=Description\r\nLk=http://example.org/ru\r\nELk=http://example.org/en\r\n"
    "[Other]\r\nInNm=o1\r\nPrnt=add\r\n[Add two]\r\nInNm=a2\r\nPrnt=Add\r\n";

std::string WithCount(const std::string& count) {
    std::string text = kList;
    text.replace(text.find("%CNT%"), 5, count);
    return text;
}

TEST(AddonList, JudgesANewList) {
    const int lines = StoredLineCount(WithCount("20"));
    struct Case {
        const char* name;
        std::string text;
        NewListState state;
    };
    const std::vector<Case> cases{
        {"count equals the lines", WithCount(std::to_string(lines)), NewListState::Complete},
        {"count below the lines", WithCount("3"), NewListState::Complete},
        {"count one above: still being written", WithCount(std::to_string(lines + 1)), NewListState::Incomplete},
        {"no count", "[List]\r\nCOA=0\r\n", NewListState::Complete},
        {"count not a number", WithCount("many"), NewListState::Complete},
        {"empty", "", NewListState::Unusable},
        {"blank lines", "\r\n\r\n", NewListState::Unusable},
        {"no List section", "[Add one]\r\nPrnt=Add\r\n", NewListState::Unusable},
        {"an error page", "<html><body>Not Found</body></html>", NewListState::Unusable},
        {"NUL bytes", std::string("[List]\r\nCOA=1\0\r\n", 17), NewListState::Unusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JudgeNewList(c.text, StoredLineCount(c.text)), c.state);
    }
}

TEST(AddonList, CountsStoredLines) {
    const std::vector<std::pair<std::string, int>> cases{{"", 0},       {"a", 1},      {"a\r\n", 1},   {"a\r\nb", 2},
                                                         {"a\nb\n", 2}, {"a\rb\r", 2}, {"\r\n\r\n", 2}};
    for (const auto& [text, lines] : cases) EXPECT_EQ(StoredLineCount(text), lines) << testing::PrintToString(text);
}

// Branches stand in the order of their first entries; installed entries and entries of another
// branch get no node, the latter still count as offered.
TEST(AddonList, BuildsTheTreeOfOfferedEntries) {
    struct Case {
        const char* name;
        std::string installed;
        std::vector<std::pair<std::string, std::vector<std::string>>> branches;
        int offered;
    };
    const std::vector<Case> cases{
        {"nothing installed", "", {{"Patch", {"Patch one"}}, {"Add", {"Add one", "Add two"}}}, 4},
        {"two installed", "a1\r\np1\r\n", {{"Add", {"Add two"}}}, 2},
        {"names compare exactly", "A1\np1 \n", {{"Patch", {"Patch one"}}, {"Add", {"Add one", "Add two"}}}, 4},
        {"all installed but the other branch", "p1\na1\na2", {}, 1},
        {"all installed", "p1\na1\na2\no1\n", {}, 0},
    };
    const std::vector<AddonEntry> entries = ListEntries(WithCount("0"));
    ASSERT_EQ(entries.size(), 4u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AddonTree tree = BuildAddonTree(entries, c.installed);
        std::vector<std::pair<std::string, std::vector<std::string>>> branches;
        for (const auto& branch : tree.branches) branches.emplace_back(branch.kind, branch.entries);
        EXPECT_EQ(branches, c.branches);
        EXPECT_EQ(tree.offered, c.offered);
    }
    EXPECT_TRUE(ListEntries("[List]\r\nN1=x\r\n").empty()) << "no COA: no entries";
    EXPECT_TRUE(ListEntries("[List]\r\nCOA=-3\r\n").empty());
    const AddonEntry entry = ListEntry(kList, "Add one");
    EXPECT_EQ(entry.version, "2.0");
    EXPECT_EQ(entry.russianText, "Описание");
    EXPECT_EQ(entry.englishLink, "http://example.org/en");
    EXPECT_EQ(ListEntry(kList, "Missing").size, "");
}

// An entry without an install name is offered whatever line end the installed list has; a whole
// line still has to match.
TEST(AddonList, InstalledListLineEnds) {
    const std::string list =
        "[List]\r\nCOA=2\r\nN1=Unnamed\r\nN2=Named\r\n[Unnamed]\r\nPrnt=Add\r\n[Named]\r\nInNm=a2\r\nPrnt=Add\r\n";
    struct Case {
        const char* name;
        std::string installed;
        std::vector<std::string> offered;
    };
    const std::vector<Case> cases{
        {"no line end", "a2", {"Unnamed"}},
        {"CR LF", "a2\r\n", {"Unnamed"}},
        {"LF", "a2\n", {"Unnamed"}},
        {"CR", "a2\r", {"Unnamed"}},
        {"two lines and CR LF", "x\r\na2\r\n", {"Unnamed"}},
        {"nothing installed", "", {"Unnamed", "Named"}},
        {"a longer line", "a22\r\n", {"Unnamed", "Named"}},
        {"a blank last line", "a2\r\n\r\n", {"Unnamed"}},
        {"a blank line between", "x\r\n\r\na2", {"Unnamed"}},
        {"blank lines alone", "\r\n\n\r", {"Unnamed", "Named"}},
    };
    const std::vector<AddonEntry> entries = ListEntries(list);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AddonTree tree = BuildAddonTree(entries, c.installed);
        ASSERT_EQ(tree.branches.size(), 1u);
        EXPECT_EQ(tree.branches[0].entries, c.offered);
        EXPECT_EQ(IsListedAsInstalled(c.installed, ""), false);
    }
}

// A list of nearly a megabyte: COA 100,000, 40,000 names, a section for each of the first 10,000,
// an installed list of 5,000 names. (bench/checks times it.)
TEST(AddonList, ALargeListIsReadWhole) {
    const std::string list = LargeAddonList(100000, 40000, 10000);
    const std::string installed = LargeInstalledList(5000);
    ASSERT_LE(list.size(), 1024u * 1024u);
    const std::vector<AddonEntry> entries = ListEntries(list);
    ASSERT_EQ(entries.size(), 100000u);
    EXPECT_EQ(entries[9999].installName, "i10000");
    EXPECT_EQ(entries[10000].installName, "");
    EXPECT_EQ(entries[39999].name, "e40000");
    EXPECT_EQ(entries[40000].name, "");
    const AddonTree tree = BuildAddonTree(entries, installed);
    EXPECT_EQ(tree.offered, 95000);
    ASSERT_EQ(tree.branches.size(), 2u);
    EXPECT_EQ(tree.branches[0].entries.size(), 2500u);
    EXPECT_EQ(tree.branches[0].entries.front(), "e5001");
    EXPECT_EQ(tree.branches[1].entries.size(), 2500u);
}

}  // namespace
