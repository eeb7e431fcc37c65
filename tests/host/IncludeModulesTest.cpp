// The start-up and shutdown services: what start-up sets and deletes, what only a close of the
// host window runs, and the small services of the other windows.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/FrameInclude.h"
#include "host/IncludeModules.h"
#include "language/CarrierFrames.h"
#include "language/LangProcessor.h"
#include "tests/host/HostTestSupport.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::WriteFile;

namespace {

class StartUpServices : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramValuesForTesting(); }
    void TearDown() override { ResetProgramValuesForTesting(); }
    std::string tempFile(const std::string& name) const { return program_.home().temp() + "/" + name; }

    hosttest::ScratchProgram program_;
    ErrorCodeRecorder recorder_;
    std::vector<std::string>& codes_ = recorder_.codes;
};

TEST_F(StartUpServices, SetUpSetsTheRunValuesAndDeletesStaleCounters) {
    const std::string appDataCounter = program_.home().appData() + "/KV.Kestrune/TCounter.ini";
    const std::string resourceCounter = program_.app() + "/Resource/TCounter.ini";
    WriteFile(appDataCounter, "x");
    WriteFile(resourceCounter, "x");
    BusyFlag = true;
    ErrorReportingOff = true;
    ExternalErrorLogPath = "/somewhere/Error.Log";
    TUFrameIncludePanel panel;
    const testsupport::ScopedHook<UpdateStatusTextsHandler> noStatusHandler(SetUpdateStatusTextsHandler, nullptr);

    EXPECT_FALSE(InitIncludeModules(false, false, &panel, nullptr, nullptr, "", false, false));

    // The carrier frame's translations of the status texts reach the new-version check.
    const UpdateStatusTextsHandler installed = SetUpdateStatusTextsHandler(nullptr);
    ASSERT_TRUE(installed);
    installed({"no checker", "Querying...", "new version", "unknown", "no new version", "off"}, StatusTextQuerying);
    EXPECT_EQ(StatusTextQuerying, "Querying...");
    EXPECT_TRUE(codes_.empty());
    EXPECT_FALSE(FileExists(appDataCounter));
    EXPECT_FALSE(FileExists(resourceCounter));
    EXPECT_FALSE(BusyFlag);
    EXPECT_FALSE(ErrorReportingOff);
    EXPECT_TRUE(ExternalErrorLogPath.empty());
    EXPECT_EQ(CallingProgramName, "KV.Kestrune");
    EXPECT_EQ(VersionText, "1.0.3.2k.lang");
    EXPECT_EQ(AuthorAddress, kDeveloperAddress);
    EXPECT_EQ(MinimumWindowsText, "2000");
    EXPECT_TRUE(IncludeModulesReady);
    EXPECT_EQ(IncludePanel.data(), &panel);
    ASSERT_TRUE(TimerUCNV);
    EXPECT_EQ(TimerUCNV->parent(), &panel);
    EXPECT_FALSE(TimerUCNV->isActive());
    EXPECT_EQ(TimerUCNV->interval(), 500);
    FinishIncludeModules(false);
    EXPECT_FALSE(IncludeModulesReady);
}

// The shutdown services run when the host window itself closes (an incomplete command line),
// never when a job ends the run.
TEST_F(StartUpServices, ShutdownRunsOnCloseOnly) {
    struct Case {
        const char* name;
        std::vector<std::string> parameters;
        bool shutdown;
    };
    const std::vector<Case> cases{
        {"close: unknown language", {"1", "Prog", "2.0", "German"}, true},
        {"terminate: mode 0", {"0", "Prog", "2.0", "English"}, false},
        {"terminate: mode 1 without URL", {"1", "Prog", "2.0", "English"}, false},
    };
    // The shutdown removes the check's flags; without it they are the check's to take or remove
    // (a check that begins removes an earlier run's flags before its agent starts).
    const std::vector<std::string> checkFlags{"Prog_2.0_CNVFalse", "Prog_2.0_CheckReady"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(tempFile("Temp.mht"), "");
        for (const std::string& name : checkFlags) WriteFile(tempFile(name), "");
        EXPECT_EQ(program_.Start(c.parameters), 0);
        EXPECT_EQ(FileExists(tempFile("Temp.mht")), !c.shutdown);
        if (c.shutdown) {
            for (const std::string& name : checkFlags) EXPECT_FALSE(FileExists(tempFile(name))) << name;
        }
    }
}

TEST_F(StartUpServices, ChecksStartOnceAndOnlyWithALanguage) {
    ChecksStarted = false;
    CurrentLanguage.clear();
    FirstPaintServices(false);
    EXPECT_FALSE(ChecksStarted) << "no language yet: a later paint starts the checks";
    CurrentLanguage = "English";
    FirstPaintServices(false);
    EXPECT_TRUE(ChecksStarted);
}

// The page of other programs: the current language's, else the help language's; a page in
// neither folder is opened all the same (the help language's), and the desktop says it is missing.
TEST_F(StartUpServices, OtherProgramsPageByLanguage) {
    struct Case {
        const char* name;
        std::vector<std::string> pagesIn;
        std::string opened;  // language folder whose page opens
    };
    const std::vector<Case> cases{
        {"current language", {"Russian", "English"}, "Russian"},
        {"help language", {"English"}, "English"},
        {"neither", {}, "English"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hosttest::ScratchProgram program;
        for (const std::string& language : c.pagesIn)
            WriteFile(program.app() + "/Language/" + language + "/Help/OtherSoft.htm", "x");
        CurrentLanguage = "Russian";
        HelpLanguage = "English";
        OpenOtherProgramsPage();
        EXPECT_EQ(program.openedUrls(), std::vector<std::string>{"file://" + program.app() + "/Language/" + c.opened +
                                                                 "/Help/OtherSoft.htm"});
    }
    EXPECT_TRUE(codes_.empty());
}

// The frame stays registered after its window closes, and a frame that is freed reads as none.
TEST_F(StartUpServices, SettingsFrameRegistration) {
    auto* frame = new TUFrame1();
    RegisterSettingsFrame(true, true, true, frame);
    EXPECT_TRUE(SettingsFrameShown);
    EXPECT_EQ(SettingsFrame.data(), frame);
    RegisterSettingsFrame(false, false, false, nullptr);
    EXPECT_FALSE(SettingsFrameShown);
    EXPECT_EQ(SettingsFrame.data(), frame);
    delete frame;
    EXPECT_FALSE(SettingsFrame);
    RegisterSettingsFrame(true, true, true, nullptr);
    EXPECT_TRUE(codes_.empty());
}

// The add-on window opens whatever BusyFlag says, and clears it afterwards only if it set it.
TEST_F(StartUpServices, AddOnWindowKeepsABusyFlagItDidNotSet) {
    for (const bool busyBefore : {false, true}) {
        SCOPED_TRACE(busyBefore);
        BusyFlag = busyBefore;
        bool shown = false;
        program_.WhenModal("UFormAutoComponents", [&](QWidget* window) {
            shown = true;
            EXPECT_TRUE(BusyFlag);
            window->close();
        });
        ShowAddOnWindow();
        EXPECT_TRUE(shown);
        EXPECT_EQ(BusyFlag, busyBefore);
    }
}

// The window is freed however its modal loop ends: closed by its user, or left when the run ends.
TEST_F(StartUpServices, AddOnWindowIsFreedHoweverItsLoopEnds) {
    for (const bool endTheRun : {false, true}) {
        SCOPED_TRACE(endTheRun ? "the run ends" : "closed");
        QPointer<QWidget> shown;
        program_.WhenModal("UFormAutoComponents", [&](QWidget* window) {
            shown = window;
            if (endTheRun) TerminateApplication();
            else window->close();
        });
        ShowAddOnWindow();
        ResetTermination();
        EXPECT_TRUE(shown.isNull());
        EXPECT_FALSE(BusyFlag);
    }
    EXPECT_TRUE(codes_.empty());
}

}  // namespace

// On a system older than Windows 2000 error reporting is off and the set-up stops after the
// version test; only a start without a mode shows the not-supported window, whose Ok ends the run.
TEST_F(StartUpServices, OlderSystemStopsTheSetUp) {
    testsupport::ScopedEnv env;
    env.Set("KESTRUNE_WINDOWS_VERSION", "4.0");
    ASSERT_FALSE(IsWindowsAtLeast("2k")) << "the Windows version set for the test was not seen";
    struct Case {
        const char* name;
        std::vector<std::string> parameters;
        bool window;
    };
    const std::vector<Case> cases{
        {"no mode", {"", "Prog", "2.0", "English"}, true},
        {"mode 0", {"0", "Prog", "2.0", "English"}, false},
    };
    const std::string counter = program_.app() + "/Resource/TCounter.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(counter, "x");
        bool shown = false;
        program_.WhenModal("UFormNotSupportedOS", [&](QWidget* window) {
            shown = true;
            EXPECT_EQ(window->windowTitle(), "KV.Kestrune 1.0.3.2k.lang...");
            auto* memo2 = window->findChild<QPlainTextEdit*>("Memo2");
            auto* memo3 = window->findChild<QPlainTextEdit*>("Memo3");
            ASSERT_TRUE(memo2 && memo3);
            EXPECT_EQ(memo2->toPlainText().split('\n').value(0), "KV.Kestrune Version: 1.0.3.2k.lang");
            EXPECT_EQ(memo3->toPlainText().split('\n'),
                      QStringList(
                          {QString::fromUtf8("Предназначена для Windows 2000 и выше."), "For Windows 2000 and high."}));
            QTest::mouseClick(window->findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);
        });
        EXPECT_EQ(program_.Start(c.parameters), 0);
        EXPECT_EQ(shown, c.window);
        EXPECT_TRUE(ErrorReportingOff);
        EXPECT_FALSE(IncludeModulesReady);
        EXPECT_TRUE(FileExists(counter)) << "the counter step did not run";
        if (!shown) QApplication::processEvents();
    }
    ErrorReportingOff = false;
}

// The not-supported window ends the run however its user closes it, with Ok's status: the
// set-up stops at the window, so a close that only hid it would leave a process with nothing on
// screen for good.
TEST_F(StartUpServices, EveryCloseOfTheNotSupportedWindowEndsTheRun) {
    testsupport::ScopedEnv env;
    env.Set("KESTRUNE_WINDOWS_VERSION", "4.0");
    ASSERT_FALSE(IsWindowsAtLeast("2k")) << "the Windows version set for the test was not seen";
    struct Case {
        const char* name;
        std::function<void(QWidget*)> close;
    };
    const Case cases[] = {
        {"Ok", [](QWidget* window) { QTest::mouseClick(window->findChild<QPushButton*>("ButtonOk"), Qt::LeftButton); }},
        {"Esc", [](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); }},
        // What the window system's close box and Alt+F4 deliver.
        {"the window's close", [](QWidget* window) { window->windowHandle()->close(); }},
        {"a close by the program", [](QWidget* window) { window->close(); }},
        {"reject", [](QWidget* window) { static_cast<QDialog*>(window)->reject(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool shown = false;
        program_.WhenModal("UFormNotSupportedOS", [&](QWidget* window) {
            shown = true;
            c.close(window);
        });
        EXPECT_EQ(program_.Start({"", "Prog", "2.0", "English"}), 0);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(TerminateRequested());
        EXPECT_FALSE(IncludeModulesReady);
        ResetTermination();
    }
    ErrorReportingOff = false;
}
