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

// The update settings frame inside the window speaks the language of P4. Offline, the check
// waits for a connection, so its status line reads "querying" and no agent runs.
TEST_F(SettingsWindowRun, ModeOneShowsTheUpdateFrameTranslated) {
    const char* const names = "Label3,CheckBox7,CheckBox1,Label7,Button2,NTCPanelACNV2,Panel2";
    struct Case {
        const char* language;
        const char* report;
    };
    const Case cases[] = {
        {"English",
         "FormSettings|Program settings...|Label3= Update check:"
         "|CheckBox7=Check for a new version when the program starts|CheckBox1=If the Internet is off, do not connect"
         "|Label7=Minimum interval in days|Button2=Check now|NTCPanelACNV2=2.0 "
         "|Panel2= Update check: querying for new versions..."},
        {"Russian",
         "FormSettings|Настройки программы...|Label3= Проверка наличия обновлений:"
         "|CheckBox7=Проверять наличие новой версии при запуске программы"
         "|CheckBox1=Если интернет отключен - не подключаться|Label7=Минимальный интервал в сутках"
         "|Button2=Проверить сейчас|NTCPanelACNV2=2.0 "
         "|Panel2= Проверка наличия обновлений: Запрос данных о новых версиях..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        const ProcessResult result = Start({"1", "Prog", "2.0", c.language, "", "http://127.0.0.1:9/"}, "ButtonCancel",
                                           {{"KESTRUNE_DRIVER_TEXTS", names}, {"KESTRUNE_INTERNET", "0"}});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadFile(report()), c.report);
        EXPECT_FALSE(FileExists(app() + "/Settings/Prog_2.0_LastCheck.ini")) << "no check started while offline";
    }
}

// On a system older than Windows 2000 a start without a mode shows the not-supported window in
// place of the settings window; its Ok ends the run, and so does every other way of closing it.
TEST_F(SettingsWindowRun, OlderSystemShowsTheNotSupportedWindow) {
    for (const char* action : {"ButtonOk", "Esc", "Close"}) {
        SCOPED_TRACE(action);
        const ProcessResult result =
            Start({"", "Prog", "2.0", "English"}, action, {{"KESTRUNE_WINDOWS_VERSION", "4.0"}});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), "UFormNotSupportedOS");
    }
}

}  // namespace
