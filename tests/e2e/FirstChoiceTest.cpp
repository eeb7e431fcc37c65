// A start of the built program under a scratch home where no language is stored: the first-run
// chooser is the first window shown, driven from a library preloaded into the program.
#include <gtest/gtest.h>

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

}  // namespace
