// Starts of the built program that open the calling program's settings window, driven from a
// library preloaded into it.
#include <gtest/gtest.h>

#include "tests/e2e/DrivenStart.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class SettingsWindowRun : public DrivenStart {};

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
