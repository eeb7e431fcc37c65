// Starts of the built program that open the calling program's settings window, driven from a
// library preloaded into it.
#include <gtest/gtest.h>

#include <cstdio>

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
    ProcessResult Start(const std::vector<std::string>& params, const std::string& action) {
        std::vector<std::string> argv{app() + "/KV.Kestrune"};
        argv.insert(argv.end(), params.begin(), params.end());
        return RunProcess(argv,
                          {{"QT_QPA_PLATFORM", "offscreen"},
#ifdef KESTRUNE_MODAL_DRIVER
                           {"LD_PRELOAD", KESTRUNE_MODAL_DRIVER},
#endif
                           {"KESTRUNE_DRIVER_REPORT", report()},
                           {"KESTRUNE_DRIVER_ACTION", action}},
                          20000);
    }

    IsolatedHome home_;
};

TEST_F(SettingsWindowRun, ModeOneShowsTheWindowAndEndsWhenItCloses) {
    for (const char* action : {"ButtonOk", "ButtonCancel", "Esc"}) {
        SCOPED_TRACE(action);
        std::remove(report().c_str());
        const ProcessResult result = Start({"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"}, action);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::string shown = ReadFile(report());
        EXPECT_EQ(shown.substr(0, shown.find('|')), "TFormSettings") << shown;
        EXPECT_GT(shown.size(), std::string("TFormSettings|").size()) << "the window has a caption";
    }
}

}  // namespace
