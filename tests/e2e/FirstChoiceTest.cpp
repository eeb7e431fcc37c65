// A start of the built program under a scratch home where no language is stored: the first-run
// chooser is the first window shown, driven from a library preloaded into the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class FirstChoiceRun : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef KESTRUNE_MODAL_DRIVER
        GTEST_SKIP() << "no window driver in this build";
#else
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
#endif
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string report() const { return home_.root() + "/driver-report"; }
    std::string languageSettings() const { return app() + "/Settings/ULangSettings.ini"; }
    ProcessResult Start(const std::string& action) {
        std::remove(report().c_str());
        std::map<std::string, std::string> env{{"QT_QPA_PLATFORM", "offscreen"},
                                               {"KESTRUNE_DRIVER_REPORT", report()},
                                               {"KESTRUNE_DRIVER_ACTION", action}};
#ifdef KESTRUNE_MODAL_DRIVER
        env["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
#endif
        return RunProcess({app() + "/KV.Kestrune"}, env, 20000);
    }

    IsolatedHome home_;
};

TEST_F(FirstChoiceRun, NoStoredLanguageShowsTheChooser) {
    ASSERT_FALSE(FileExists(languageSettings()));
    // Its button stores the language shown first (Russian), and the next start asks no more.
    ProcessResult result = Start("Button3");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()), "UFormFirstChoose|KV.Kestrune - First choose language...");
    EXPECT_NE(ReadFile(languageSettings()).find("Language=\"Russian\""), std::string::npos);

    result = Start("Button3");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()), "") << "no window asked";
}

TEST_F(FirstChoiceRun, ClosingTheChooserWithoutItsButtonStillEndsTheRun) {
    const ProcessResult result = Start("Esc");
    EXPECT_FALSE(result.timedOut) << "an invisible run left waiting";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()).substr(0, 17), "UFormFirstChoose|");
    EXPECT_FALSE(FileExists(languageSettings())) << "nothing stored: the next start asks again";
}

}  // namespace
