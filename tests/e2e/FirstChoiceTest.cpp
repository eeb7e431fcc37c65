// A start of the built program under a scratch home where no language is stored: the first-run
// chooser is the first window shown, driven from a library preloaded into the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/DrivenStart.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class FirstChoiceRun : public DrivenStart {
protected:
    std::string languageSettings() const { return app() + "/Settings/ULangSettings.ini"; }
};

TEST_F(FirstChoiceRun, NoStoredLanguageShowsTheChooser) {
    ASSERT_FALSE(FileExists(languageSettings()));
    // Its button stores the language shown first (Russian), and the next start asks no more.
    ProcessResult result = Start({}, "Button3");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()), "UFormFirstChoose|KV.Kestrune - First choose language...");
    EXPECT_NE(ReadFile(languageSettings()).find("Language=\"Russian\""), std::string::npos);

    result = Start({}, "Button3");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()), "") << "no window asked";
}

TEST_F(FirstChoiceRun, ClosingTheChooserWithoutItsButtonStillEndsTheRun) {
    const ProcessResult result = Start({}, "Esc");
    EXPECT_FALSE(result.timedOut) << "an invisible run left waiting";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()).substr(0, 17), "UFormFirstChoose|");
    EXPECT_FALSE(FileExists(languageSettings())) << "nothing stored: the next start asks again";
}

// ULangSettings.ini before and after whole starts: a start that names its language stores that
// language and keeps the user's help and new-version languages; a start without a usable
// language stores nothing; a file that names no language, or a pack that is a folder, asks again.
class LanguageSettingsRun : public DrivenStart {
protected:
    void SetUp() override {
        DrivenStart::SetUp();
        if (IsSkipped()) return;
        WriteFile(app() + "/Language/German/German.txt", "Deutsch\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n");
        WriteFile(app() + "/Language/German/Help/index.htm", "<html></html>");
    }
    std::string languageSettings() const { return app() + "/Settings/ULangSettings.ini"; }
    static std::string Stored(const std::string& settings) {
        return "[Main]\r\nFile=<ULang.Proc. Settings File>\r\nVersion=01.00\r\nDate=01.01.2026\r\n\r\n[Settings]\r\n" +
               settings;
    }
    // The [Settings] lines of the file, one a line; "-" when there is no file.
    std::string SettingsLines() const {
        if (!FileExists(languageSettings())) return "-";
        const std::string text = ReadFile(languageSettings());
        const std::size_t start = text.find("[Settings]\r\n");
        return start == std::string::npos ? text : text.substr(start + 12);
    }
};

TEST_F(LanguageSettingsRun, StartsKeepTheStoredChoices) {
    const std::string chosen =
        "Language=\"German\"\r\nDefaultHelpLanguage=\"German\"\r\nDefaultNewVersionLanguage=0\r\n";
    struct Row {
        const char* label;
        std::string before;  // [Settings] lines; empty: no file
        std::vector<std::string> params;
        std::string window;          // the first window shown
        std::string after;           // [Settings] lines; "-": no file
        const char* action = "Esc";  // what the driver does in the first window
    };
    const Row rows[] = {
        {"a caller's start stores its language and keeps the others",
         chosen,
         {"0", "Prog", "1.0", "English"},
         "",
         "Language=\"English\"\r\nDefaultHelpLanguage=\"German\"\r\nDefaultNewVersionLanguage=0\r\n"},
        {"Russian from the caller",
         chosen,
         {"0", "Prog", "1.0", "Russian"},
         "",
         "Language=\"Russian\"\r\nDefaultHelpLanguage=\"German\"\r\nDefaultNewVersionLanguage=0\r\n"},
        {"no file: the caller's language and the defaults",
         "",
         {"0", "Prog", "1.0", "English"},
         "",
         "Language=\"English\"\r\nDefaultHelpLanguage=\"English\"\r\nDefaultNewVersionLanguage=1\r\n"},
        {"an incomplete start without P4 stores nothing", chosen, {"0", "Prog", "1.0"}, "", chosen},
        {"an incomplete start with another P4 stores nothing", chosen, {"0", "Prog", "1.0", "German"}, "", chosen},
        {"an incomplete start without a file makes none", "", {"0", "Prog", "1.0"}, "", "-"},
        {"an ordinary start keeps what it read", chosen, {}, "", chosen},
        {"no Language key: the chooser asks, and nothing is written",
         "DefaultHelpLanguage=\"German\"\r\n",
         {},
         "UFormFirstChoose",
         "DefaultHelpLanguage=\"German\"\r\n"},
        {"no Language key: the chooser's choice is stored beside the kept help and new-version languages",
         "DefaultHelpLanguage=\"German\"\r\nDefaultNewVersionLanguage=0\r\n",
         {},
         "UFormFirstChoose",
         "Language=\"Russian\"\r\nDefaultHelpLanguage=\"German\"\r\nDefaultNewVersionLanguage=0\r\n",
         "Button3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        // Each row starts afresh: a stored caller would make an ordinary start open its settings.
        std::filesystem::remove_all(app() + "/Settings");
        std::filesystem::remove_all(home_.appData() + "/KV.Kestrune");
        if (!row.before.empty()) WriteFile(languageSettings(), Stored(row.before));
        const ProcessResult result = Start(row.params, row.action, {{"KESTRUNE_INTERNET", "0"}});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), row.window);
        EXPECT_EQ(SettingsLines(), row.after);
    }
}

// The chooser asks again at every start while no language is stored, and while the stored
// language's pack file is a folder.
TEST_F(LanguageSettingsRun, TheChooserAsksAgainUntilALanguageIsStored) {
    WriteFile(languageSettings(), Stored("DefaultHelpLanguage=\"German\"\r\n"));
    for (int start = 0; start < 2; ++start) {
        const ProcessResult result = Start({}, "Esc", {{"KESTRUNE_INTERNET", "0"}});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), "UFormFirstChoose") << "start " << start;
    }
    std::filesystem::remove_all(app() + "/Language/German/German.txt");
    std::filesystem::create_directories(app() + "/Language/German/German.txt");
    WriteFile(languageSettings(), Stored("Language=\"German\"\r\n"));
    WriteFile(app() + "/Language/Ukrainian/Ukrainian.txt", "Ukrainian\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n");
    const ProcessResult result = Start({}, "Esc", {{"KESTRUNE_INTERNET", "0"}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "UFormFirstChoose") << "a folder is no pack";
}

}  // namespace
