// Starts of the built program that open the calling program's settings window, driven from a
// library preloaded into it.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class SettingsWindowRun : public ::testing::Test {
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
    ProcessResult Start(const std::vector<std::string>& params, const std::string& action,
                        std::map<std::string, std::string> env = {}) {
        std::remove(report().c_str());
        std::vector<std::string> argv{app() + "/KV.Kestrune"};
        argv.insert(argv.end(), params.begin(), params.end());
        env["QT_QPA_PLATFORM"] = "offscreen";
#ifdef KESTRUNE_MODAL_DRIVER
        env["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
#endif
        env["KESTRUNE_DRIVER_REPORT"] = report();
        env["KESTRUNE_DRIVER_ACTION"] = action;
        return RunProcess(argv, env, 20000);
    }
    std::string shownWindow() const {
        const std::string shown = ReadFile(report());
        return shown.substr(0, shown.find('|'));
    }

    IsolatedHome home_;
};

TEST_F(SettingsWindowRun, ModeOneShowsTheWindowAndEndsWhenItCloses) {
    for (const char* action : {"ButtonOk", "ButtonCancel", "Esc"}) {
        SCOPED_TRACE(action);
        const ProcessResult result = Start({"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"}, action);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), "FormSettings");
        EXPECT_EQ(ReadFile(report()), "FormSettings|Program settings...") << "translated into English";
    }
}

// On a system older than Windows 2000 a start without a mode shows the not-supported window in
// place of the settings window, and its Ok ends the run.
TEST_F(SettingsWindowRun, OlderSystemShowsTheNotSupportedWindow) {
    const ProcessResult result =
        Start({"", "Prog", "2.0", "English"}, "ButtonOk", {{"KESTRUNE_WINDOWS_VERSION", "4.0"}});
    if (shownWindow() == "FormSettings") GTEST_SKIP() << "this build cannot configure an older system";
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "UFormNotSupportedOS");
}

}  // namespace
