// The calling program's values without a window: the merge of the command line with the stored
// values, and the refusal of values that cannot become the run's folder and file names.
#include <gtest/gtest.h>

#include <tuple>

#include "foundation/UnitVAR.h"
#include "foundation/core/ProgramValues.h"
#include "host/CallerValues.h"
#include "platform/Executable.h"
#include "tests/support/TestSupport.h"

using namespace kestrune;

namespace {

class CallerValues : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramValuesForTesting(); }
    void TearDown() override {
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    testsupport::IsolatedHome home_;
};

// The parameters as given and the stored values as read, P1 P2 P3 P5 P6 P7.
struct Values {
    std::string p1, p2, p3, p5, p6, p7;
};
struct Stored {
    std::string name, version, icon, urlToFile, urlToMsg;
};

TEST_F(CallerValues, GivenParametersWinAndAreStoredMissingOnesComeFromTheFile) {
    const Stored file{"Stored", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"};
    struct Row {
        const char* label;
        Values given;
        Values merged;  // P1 stays as given
        Stored stored;  // the values written at exit
        bool startMessages;
    } rows[] = {
        {"nothing given: all from the file, the addresses not merged without a mode",
         {},
         {"", "Stored", "1.0", "/stored.ico", "", ""},
         file,
         true},
        {"mode 0 merges both addresses",
         {"0", "", "", "", "", ""},
         {"0", "Stored", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"},
         file,
         false},
        {"mode 0 with everything given stores the command line",
         {"0", "Prog", "2.0", "/p.ico", "http://127.0.0.1:2/v/", "http://127.0.0.1:2/m/"},
         {"0", "Prog", "2.0", "/p.ico", "http://127.0.0.1:2/v/", "http://127.0.0.1:2/m/"},
         {"Prog", "2.0", "/p.ico", "http://127.0.0.1:2/v/", "http://127.0.0.1:2/m/"},
         false},
        {"mode 1 merges the version address only",
         {"1", "Prog", "", "", "", "/caller.log"},
         {"1", "Prog", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", "/caller.log"},
         {"Prog", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"},
         false},
        {"mode 2: P6 is a mail address and stays out of the file",
         {"2", "Prog", "2.0", "", "author@example.org", ""},
         {"2", "Prog", "2.0", "/stored.ico", "author@example.org", ""},
         {"Prog", "2.0", "/stored.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"},
         false},
        {"mode 3 with P7 the caller's log",
         {"3", "", "", "", "x", "/caller.log"},
         {"3", "Stored", "1.0", "/stored.ico", "x", "/caller.log"},
         file,
         false},
        {"a mode that is not a number counts as 0",
         {"abc", "", "", "", "", ""},
         {"abc", "Stored", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"},
         file,
         false},
        {"+1 is mode 1",
         {"+1", "", "", "", "", ""},
         {"+1", "Stored", "1.0", "/stored.ico", "http://127.0.0.1:1/v/", ""},
         file,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ResetProgramValuesForTesting();
        StartMessagesAllowed = true;
        std::tie(P1, P2, P3, P5, P6, P7) =
            std::tie(row.given.p1, row.given.p2, row.given.p3, row.given.p5, row.given.p6, row.given.p7);
        std::tie(ProName, ProVer, IconPatch, URLtoFile, URLtoMSG) =
            std::tie(file.name, file.version, file.icon, file.urlToFile, file.urlToMsg);

        MergeParameters();

        EXPECT_EQ(P1, row.merged.p1);
        EXPECT_EQ(P2, row.merged.p2);
        EXPECT_EQ(P3, row.merged.p3);
        EXPECT_EQ(P5, row.merged.p5);
        EXPECT_EQ(P6, row.merged.p6);
        EXPECT_EQ(P7, row.merged.p7);
        EXPECT_EQ(ProName, row.stored.name);
        EXPECT_EQ(ProVer, row.stored.version);
        EXPECT_EQ(IconPatch, row.stored.icon);
        EXPECT_EQ(URLtoFile, row.stored.urlToFile);
        EXPECT_EQ(URLtoMSG, row.stored.urlToMsg);
        EXPECT_EQ(StartMessagesAllowed, row.startMessages);
    }
}

TEST_F(CallerValues, ModeNumberTakesTheWholeTextOrCountsAsZero) {
    const std::pair<const char*, long> rows[] = {{"", 0},   {"0", 0},   {"1", 1},  {"03", 3},
                                                 {"+2", 2}, {"-1", -1}, {"3x", 0}, {" 1", 0}};
    for (const auto& [text, number] : rows) EXPECT_EQ(ModeNumber(text), number) << '"' << text << '"';
}

TEST_F(CallerValues, StartRefusalNamesTheFirstValueThatCannotBeUsed) {
    const std::string longFolder = "/" + std::string(4080, 'a');
    struct Row {
        const char* label;
        std::string name, version;
        std::vector<CallerValue> texts;
        std::string executable;  // empty: the test's own
        std::string refusal;     // a part of the line; empty: accepted
    } rows[] = {
        {"plain values", "Prog", "2.0", {{"icon", "/p.ico"}, {"address", "http://127.0.0.1:1/"}}, "", ""},
        {"nothing given", "", "", {}, "", ""},
        {"a name with a slash", "a/b", "2.0", {}, "", "the name \"a/b\" cannot be used as a file name: it "},
        {"a version of two dots", "Prog", "..", {}, "", "the version \"..\" cannot be used as a file name"},
        {"a control byte in the name, shown escaped", "a\nb", "", {}, "", "\"a\\x0ab\""},
        {"a control byte in a path",
         "Prog",
         "2.0",
         {{"icon", "/p\x01.ico"}},
         "",
         "the icon \"/p\\x01.ico\" holds a control character"},
        {"name and version too long for a file name",
         std::string(200, 'n'),
         std::string(40, 'v'),
         {},
         "",
         "the name and the version make file names longer than a file name may be"},
        {"a program folder too deep for the settings path",
         "Prog",
         "2.0",
         {},
         longFolder + "/KV.Kestrune",
         "the name and the version make paths longer than the system allows"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        platform::SetExecutablePathForTesting(row.executable);
        const std::string refusal = StartRefusal({"name", row.name}, {"version", row.version}, row.texts);
        if (row.refusal.empty()) {
            EXPECT_EQ(refusal, "");
            continue;
        }
        EXPECT_NE(refusal.find(row.refusal), std::string::npos) << refusal;
        EXPECT_EQ(refusal.rfind("KV.Kestrune: the ", 0), 0u) << refusal;
        EXPECT_NE(refusal.find("; the start is refused."), std::string::npos) << refusal;
    }
}

TEST_F(CallerValues, TheResetClearsEveryValue) {
    for (std::string* value :
         {&P1, &P2, &P3, &P5, &P6, &P7, &ProName, &ProVer, &IconPatch, &URLtoFile, &URLtoMSG, &Exe})
        *value = "x";
    ResetProgramValuesForTesting();
    for (const std::string* value :
         {&P1, &P2, &P3, &P5, &P6, &P7, &ProName, &ProVer, &IconPatch, &URLtoFile, &URLtoMSG, &Exe})
        EXPECT_EQ(*value, "");
}

}  // namespace
