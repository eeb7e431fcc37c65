// The new-version check from its begin to the status line and the window, with the real agent
// against the loopback HTTP server, in both settings modes.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>

#include "checks/AgentRun.h"
#include "checks/CheckNewVersion.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WhenModal.h"
#include "ui_UFormNewVerExists.h"

namespace {

using namespace kestrune;

const char* kNewer = "2.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/download\r\n1536\r\nFirst change\r\nSecond change\r\n";

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::CopyTree(testsupport::AppDir(), app());
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        ResetProgramValuesForTesting();
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        FilePrefix = "Prog_1.0";
        CallingProgramVersion = "1.0";
        CurrentLanguage = "Russian";
        platform::SetNetworkConnectedForTesting(1);
        env_.Set("KESTRUNE_AGENT_LIMITS", "connect=2,stall=1,run=6");
        env_.Set("no_proxy", "*");
        env_.Set("NO_PROXY", "*");
        server_ = std::make_unique<agenttest::LoopbackServer>(home_.root() + "/www", home_.root() + "/log");
        CheckUrl = server_->Url();
    }
    void TearDown() override {
        platform::SetNetworkConnectedForTesting(-1);
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string settings() const { return GetProgramPath(2, ""); }
    void Serve(const std::string& name, const std::string& body, const std::string& how = "") {
        testsupport::WriteFile(home_.root() + "/www/" + name, body);
        if (!how.empty()) testsupport::WriteFile(home_.root() + "/www/" + name + ".how", how + "\n");
    }

    // Puts a stand-in agent (a shell script) in the real one's place and begins a due check with it.
    void BeginCheckWithStandInAgent(const std::string& script, QTimer& timer) {
        const std::string agent = app() + "/Resource/Pellmark";
        testsupport::WriteFile(agent, "#!/bin/sh\n" + script + "\n");
        ASSERT_EQ(chmod(agent.c_str(), 0755), 0);
        VersionCheckBegun = false;
        platform::RemoveFile(LastCheckFilePath(FilePrefix));
        timer.setInterval(500);
        ASSERT_TRUE(BeginVersionCheck(&timer, 1));
    }
    // The same, then waits for the agent's end and polls once, as the timer would then.
    void RunCheckWithStandInAgent(const std::string& script) {
        QTimer timer;
        ASSERT_NO_FATAL_FAILURE(BeginCheckWithStandInAgent(script, timer));
        ASSERT_TRUE(testsupport::WaitFor(
            "the agent's end", [] { return RunningAgentCount() == 0; }, testsupport::TurnEventLoop));
        AutoUpdateAction(0, 0, &timer);
        EXPECT_FALSE(timer.isActive()) << "the poll takes the end as the answer";
    }

    // Begins the check as the first paint does and lets the timer poll until it stops. window
    // receives the new-version window when one opens; it is then closed with "remind later".
    void RunCheck(const std::function<void(TUFormNewVerExists*)>& window = {}) {
        LoadSettingsUAU(nullptr);
        QTimer timer;
        timer.setInterval(500);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            AutoUpdateAction(0, 0, &timer);
            if (!timer.isActive()) AutoUpdateAction(2, 0, &timer);
        });
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto* form = qobject_cast<TUFormNewVerExists*>(QApplication::activeModalWidget())) {
                watcher.stop();
                ++windowsShown;
                if (window) window(form);
                form->ui()->Button2->click();
            }
        });
        watcher.start(20);
        AutoUpdateAction(3, 0, nullptr);
        AutoUpdateAction(1, 0, &timer);
        statusWhileQuerying = UpdateStatusText;
        // The agent's own limits (a second's stall, six seconds a run) end every check, long before
        // the deadline and the program's kill of an agent after 135 s.
        EXPECT_TRUE(testsupport::WaitFor(
            "the poll to take the agent's answer and stop the check timer", [&] { return !timer.isActive(); },
            testsupport::TurnEventLoop));
        EXPECT_TRUE(testsupport::WaitFor(
            "every agent run to answer", [] { return RunningAgentCount() == 0; }, testsupport::TurnEventLoop));
    }

    kestrune::ErrorCodeRecorder errorCodes;
    std::string statusWhileQuerying;
    int windowsShown = 0;
    testsupport::IsolatedHome home_;
    std::unique_ptr<agenttest::LoopbackServer> server_;

private:
    testsupport::ScopedEnv env_;
};

std::string Failed(const std::string& date) {
    std::string text;
    FormatStatusText(StatusTextFailed, date, text);
    return " " + text;
}
std::string NoNewVersion(const std::string& date) {
    std::string text;
    FormatStatusText(StatusTextNoNewVersion, date, text);
    return " " + text;
}

class BothModes : public VersionCheckTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        VersionCheckTest::SetUp();
        UseAppData = GetParam();
    }
};

TEST_P(BothModes, NewerVersionShowsTheWindowWithItsTexts) {
    Serve("Prog_1.0.txt", kNewer);
    Serve("Prog_1.0Eng.txt", "2.0\r\n02/01/2026\r\nhttp://127.0.0.1:1/download\r\n1536\r\nEnglish change\r\n");
    std::string version, date, size, changes;
    bool openable = false;
    RunCheck([&](TUFormNewVerExists* form) {
        version = form->ui()->NTCLabeledEdit1->text().toStdString();
        date = form->ui()->NTCLabeledEdit2->text().toStdString();
        size = form->ui()->StatusBar1->currentMessage().toStdString();
        changes = form->ui()->NTCMemo1->toPlainText().toStdString();
        openable = form->ui()->Button3->isEnabled();
    });
    EXPECT_EQ(windowsShown, 1);
    EXPECT_EQ(version, "2.0");
    EXPECT_EQ(date, "01.02.2026");
    EXPECT_NE(size.find("1536"), std::string::npos) << size;
    EXPECT_NE(size.find("1.50"), std::string::npos) << size;
    EXPECT_EQ(changes, "First change\nSecond change");
    EXPECT_TRUE(openable);
    EXPECT_EQ(statusWhileQuerying, " " + StatusTextQuerying);
    EXPECT_EQ(UpdateStatusText, " " + StatusTextNewVersion);
    EXPECT_TRUE(testsupport::FileExists(platform::NativePath(settings()) + "Prog_1.0_CNVTrue.txt"))
        << "both sides meet in the settings folder";
    EXPECT_TRUE(errorCodes.codes.empty());
}

TEST_P(BothModes, OutcomesAndTheirStatusTexts) {
    struct Case {
        const char* what;
        const char* body;  // nullptr: nothing served (404)
        const char* how;
        bool unreachable;
        bool failed;
    };
    const Case cases[] = {
        {"same version", "1.0\r\n01.02.2026\r\nhttp://h/\r\n10\r\n", "", false, false},
        {"older version", "0.9\r\n01.02.2026\r\nhttp://h/\r\n10\r\n", "", false, false},
        {"404", nullptr, "", false, false},
        {"cut body", kNewer, "truncate", false, true},
        {"stall", kNewer, "stall", false, true},
        {"unreachable port", nullptr, "", true, true},
        {"garbage description", "<html>not a description</html>", "", false, true},
        {"size line no number", "2.0\r\nd\r\nhttp://h/\r\nbig\r\n", "", false, true},
    };
    const std::string url = CheckUrl;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::RemoveFile(home_.root() + "/www/Prog_1.0.txt");
        platform::RemoveFile(home_.root() + "/www/Prog_1.0.txt.how");
        if (c.body) Serve("Prog_1.0.txt", c.body, c.how);
        CheckUrl = c.unreachable ? "http://127.0.0.1:1/" : url;
        VersionCheckBegun = false;
        platform::RemoveFile(settings() + "Prog_1.0_LastCheck.ini");
        windowsShown = 0;
        RunCheck();
        EXPECT_EQ(windowsShown, 0);
        const std::string date = LastCheckDateText(FilePrefix);
        EXPECT_FALSE(date.empty()) << "the last-check file is written before the agent runs";
        EXPECT_EQ(UpdateStatusText, c.failed ? Failed(date) : NoNewVersion(date));
        EXPECT_FALSE(platform::FileAgeReadable(settings() + "Prog_1.0_CNVTrue.txt"));
        // A later start, the check not due: a check that could not be made still says so.
        VersionCheckFailed = false;
        UpdateCheckStatusText(true);
        EXPECT_EQ(UpdateStatusText, c.failed ? Failed(date) : NoNewVersion(date)) << "at a later start";
        // The check switched off since: it says so, whatever the last check found.
        const bool enabled = std::exchange(VersionCheckEnabled, false);
        UpdateCheckStatusText(true);
        EXPECT_EQ(UpdateStatusText, " " + StatusTextDisabled) << "switched off at a later start";
        VersionCheckEnabled = enabled;
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// The agent leaves its ready flag a moment before it exits, after a failure too: a poll that
// comes in between waits for the exit, so the outcome never depends on which comes first. A
// stand-in agent leaves the flag and holds its exit until the test lets it go.
TEST_F(VersionCheckTest, TheReadyFlagAloneDoesNotEndTheCheck) {
    const struct {
        const char* what;
        int exitCode;
        bool failed;
    } cases[] = {
        {"failed", 1, true},
        {"ran to its end", 0, false},
    };
    const std::string go = home_.root() + "/go";
    const std::string flag = GetProgramPath(0, FilePrefix + "_CheckReady");
    LoadSettingsUAU(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::RemoveFile(go);
        // As the agent does, a run that answers takes the failure marker away before its flag.
        const std::string answered =
            c.exitCode == 0 ? "rm -f '" + platform::NativePath(settings()) + "Prog_1.0_CheckFailed'\n" : "";
        const auto release = qScopeGuard([&] { testsupport::WriteFile(go, ""); });  // also when the test fails
        QTimer timer;
        ASSERT_NO_FATAL_FAILURE(
            BeginCheckWithStandInAgent(answered + ": > \"$TEMP/Prog_1.0_CheckReady\"\nwhile [ ! -e '" + go +
                                           "' ]; do sleep 0.02; done\nexit " + std::to_string(c.exitCode),
                                       timer));
        ASSERT_TRUE(testsupport::WaitFor(
            "the stand-in agent's ready flag", [&] { return platform::FileAgeReadable(flag); },
            testsupport::TurnEventLoop));
        AutoUpdateAction(0, 0, &timer);  // a tick between the flag and the exit
        EXPECT_TRUE(timer.isActive()) << "the poll goes on while the agent runs";
        EXPECT_EQ(UpdateStatusText, " " + StatusTextQuerying);
        testsupport::WriteFile(go, "");
        ASSERT_TRUE(testsupport::WaitFor(
            "the agent's exit", [] { return RunningAgentCount() == 0; }, testsupport::TurnEventLoop));
        AutoUpdateAction(0, 0, &timer);
        EXPECT_FALSE(timer.isActive()) << "the poll takes the exit as the answer";
        const std::string date = LastCheckDateText(FilePrefix);
        EXPECT_EQ(UpdateStatusText, c.failed ? Failed(date) : NoNewVersion(date));
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// A run that ends without an answer (an agent that exits without a word, or is killed before it
// begins) is a check that could not be made, now and at a later start; never "no new versions".
TEST_F(VersionCheckTest, ARunThatLeavesNoAnswerReadsAsFailed) {
    const struct {
        const char* what;
        const char* script;
    } cases[] = {
        {"ends without a word", "exit 0"},
        {"killed at once", "kill -KILL $$"},
    };
    LoadSettingsUAU(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VersionCheckFailed = false;
        ASSERT_NO_FATAL_FAILURE(RunCheckWithStandInAgent(c.script));
        const std::string date = LastCheckDateText(FilePrefix);
        EXPECT_EQ(UpdateStatusText, Failed(date));
        VersionCheckFailed = false;  // a later start knows only the files
        UpdateCheckStatusText(true);
        EXPECT_EQ(UpdateStatusText, Failed(date)) << "at a later start";
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// The failure marker is written once: a check that fails again while it stands leaves it as it is
// (here a marker that holds a word keeps it).
TEST_F(VersionCheckTest, AStandingFailureMarkerIsNotWrittenAgain) {
    const std::string marker = platform::NativePath(settings() + "Prog_1.0_CheckFailed");
    LoadSettingsUAU(nullptr);
    ASSERT_NO_FATAL_FAILURE(RunCheckWithStandInAgent("exit 1"));
    ASSERT_TRUE(testsupport::FileExists(marker)) << "the first failure leaves the marker";
    testsupport::WriteFile(marker, "standing");
    ASSERT_NO_FATAL_FAILURE(RunCheckWithStandInAgent("exit 1"));
    EXPECT_EQ(UpdateStatusText, Failed(LastCheckDateText(FilePrefix)));
    EXPECT_EQ(testsupport::ReadFile(marker), "standing") << "the marker was written again";
    EXPECT_TRUE(errorCodes.codes.empty());
}

// Another copy's run of the same files is going (its lock is held here): a copy whose check is due
// starts no second run, reads the check as under way, and once that run has ended reads its answer.
TEST_F(VersionCheckTest, AnotherCopysRunIsAwaitedAndItsAnswerRead) {
    const struct {
        const char* what;
        bool answered;            // the other run removed the failure marker
        const char* description;  // what it stored; nullptr: nothing
        bool shown;
    } cases[] = {
        {"it could not be made", false, nullptr, false},
        {"no new version", true, nullptr, false},
        {"a newer version", true, kNewer, true},
    };
    LoadSettingsUAU(nullptr);
    platform::CreateDirectories(settings());
    const std::string files = platform::NativePath(settings()) + "Prog_1.0";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VersionCheckBegun = false;
        NewVersionAnnounced = false;
        windowsShown = 0;
        platform::RemoveFile(files + "_LastCheck.ini");
        auto other = std::make_unique<platform::FileLock>(files + "_CheckRun.lock", 0);
        ASSERT_TRUE(other->held());
        testsupport::WriteFile(files + "_CheckFailed", "");  // the other run stands unanswered

        QTimer timer;
        timer.setInterval(500);
        ASSERT_TRUE(BeginVersionCheck(&timer, 1));
        EXPECT_EQ(RunningAgentCount(), 0) << "no second run";
        EXPECT_TRUE(server_->Log().empty());
        UpdateCheckStatusText(true);
        EXPECT_EQ(UpdateStatusText, " " + StatusTextQuerying) << "under way, not failed";
        AutoUpdateAction(0, 0, &timer);
        EXPECT_TRUE(timer.isActive()) << "the poll waits for the other run";

        if (c.answered) platform::RemoveFile(files + "_CheckFailed");
        if (c.description) {
            testsupport::WriteFile(files + "_CNVTrue.txt", std::string(c.description) + "\r\n");
            testsupport::WriteFile(files + "_CNVTrueEng.txt", std::string(c.description) + "\r\n");
        }
        ASSERT_TRUE(WriteLastCheckFile(FilePrefix));  // as the other run's copy did
        other.reset();
        testsupport::ModalDriver driver;
        driver.WhenModal("UFormNewVerExists", [&](QWidget* window) {
            ++windowsShown;
            if (auto* form = qobject_cast<TUFormNewVerExists*>(window)) form->ui()->Button2->click();
        });
        AutoUpdateAction(0, 0, &timer);
        EXPECT_FALSE(timer.isActive()) << "the other run's end is the answer";
        AutoUpdateAction(2, 0, &timer);
        EXPECT_EQ(windowsShown, c.shown ? 1 : 0);
        const std::string date = LastCheckDateText(FilePrefix);
        EXPECT_EQ(UpdateStatusText, c.description ? " " + StatusTextNewVersion
                                    : c.answered  ? NoNewVersion(date)
                                                  : Failed(date));
        platform::RemoveFile(files + "_CNVTrue.txt");
        platform::RemoveFile(files + "_CNVTrueEng.txt");
        platform::RemoveFile(files + "_CheckFailed");
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// While a run of the same files is going (another copy's, whose lock is held here), a copy that
// judges at its first paint leaves that run's files alone, whatever they hold; once the run has
// ended, its files are judged.
TEST_F(VersionCheckTest, AJudgeLeavesTheFilesOfARunningRunAlone) {
    const struct {
        const char* what;
        const char* description;
        bool twin;
        bool kept;  // kept once judged
    } cases[] = {
        {"this version", "1.0\r\n01.02.2026\r\nhttp://h/\r\n10\r\n", true, false},
        {"no twin yet for an English reader", kNewer, false, false},
        {"not a description yet", "2.0\r\n", true, false},
        {"a newer version", kNewer, true, true},
    };
    CurrentLanguage = "English";
    SuppressCheckWindows = true;
    LoadSettingsUAU(nullptr);
    platform::CreateDirectories(settings());
    const std::string files = platform::NativePath(settings()) + "Prog_1.0";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NewVersionAnnounced = false;
        testsupport::WriteFile(files + "_CNVTrue.txt", std::string(c.description) + "\r\n");
        platform::RemoveFile(files + "_CNVTrueEng.txt");
        if (c.twin) testsupport::WriteFile(files + "_CNVTrueEng.txt", std::string(c.description) + "\r\n");
        auto other = std::make_unique<platform::FileLock>(files + "_CheckRun.lock", 0);
        ASSERT_TRUE(other->held());
        AutoUpdateAction(3, 0, nullptr);
        EXPECT_TRUE(platform::FileAgeReadable(files + "_CNVTrue.txt")) << "not judged while the run goes";
        EXPECT_FALSE(platform::FileAgeReadable(files + "_CheckFailed"));
        EXPECT_FALSE(NewVersionAnnounced);
        other.reset();
        AutoUpdateAction(3, 0, nullptr);
        EXPECT_EQ(platform::FileAgeReadable(files + "_CNVTrue.txt"), c.kept);
        EXPECT_EQ(NewVersionAnnounced, c.kept);
        platform::RemoveFile(files + "_CheckFailed");
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// A maker who publishes no English text: the reader of the Russian one, and a third language
// set to it, are shown the description; a reader of the English twin finds none, and the lone
// description goes, so that it holds no later check back.
TEST_P(BothModes, DescriptionWithoutItsTwin) {
    struct Case {
        const char* language;
        bool englishForThirdLanguage;
        bool twin;
        bool shown;
    };
    const Case cases[] = {
        {"Russian", true, false, true}, {"English", true, false, false}, {"German", true, false, false},
        {"German", false, false, true}, {"English", true, true, true},   {"German", true, true, true},
    };
    Serve("Prog_1.0.txt", kNewer);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + (c.englishForThirdLanguage ? "" : ", Russian text") +
                     (c.twin ? ", twin" : ""));
        platform::RemoveFile(home_.root() + "/www/Prog_1.0Eng.txt");
        if (c.twin) Serve("Prog_1.0Eng.txt", kNewer);
        CurrentLanguage = c.language;
        DefaultNewVersionLanguage = c.englishForThirdLanguage;
        VersionCheckBegun = false;
        platform::RemoveFile(settings() + "Prog_1.0_LastCheck.ini");
        windowsShown = 0;
        RunCheck();
        EXPECT_EQ(windowsShown, c.shown ? 1 : 0);
        EXPECT_EQ(platform::FileAgeReadable(settings() + "Prog_1.0_CNVTrue.txt"), c.shown);
        EXPECT_EQ(UpdateStatusText, c.shown ? " " + StatusTextNewVersion : Failed(LastCheckDateText(FilePrefix)));
        platform::RemoveFile(settings() + "Prog_1.0_CNVTrue.txt");
        platform::RemoveFile(settings() + "Prog_1.0_CNVTrueEng.txt");
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

INSTANTIATE_TEST_SUITE_P(SettingsModes, BothModes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

// No agent file: nothing begins, and the status says so.
TEST_F(VersionCheckTest, NoAgentFile) {
    platform::RemoveFile(app() + "/Resource/Pellmark");
    LoadSettingsUAU(nullptr);
    QTimer timer;
    AutoUpdateAction(1, 0, &timer);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(UpdateStatusText, " " + StatusTextNoChecker);
}

// A check switched off starts nothing, and its poll ends with the switched-off status.
TEST_F(VersionCheckTest, SwitchedOffCheckEndsItsPoll) {
    testsupport::WriteFile(app() + "/Settings/UAUSettings.ini",
                           "[Main]\r\nFile=\"UAutoUpdate Settings File\"\r\nVersion=01.00\r\n\r\n"
                           "[Settings]\r\nUUCheckEnabled=0\r\nUIntervalAUCheck=2\r\nUCheckInet=1\r\n");
    RunCheck();
    EXPECT_FALSE(VersionCheckEnabled);
    EXPECT_EQ(UpdateStatusText, " " + StatusTextDisabled);
    EXPECT_TRUE(server_->Log().empty());
    EXPECT_FALSE(platform::FileAgeReadable(settings() + "Prog_1.0_LastCheck.ini"));
}

// Offline with the online-only setting: the timer waits at 10 s and starts nothing.
TEST_F(VersionCheckTest, OfflineWaitsForAConnection) {
    platform::SetNetworkConnectedForTesting(0);
    LoadSettingsUAU(nullptr);
    QTimer timer;
    timer.setInterval(500);
    AutoUpdateAction(1, 0, &timer);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 10000);
    EXPECT_EQ(RunningAgentCount(), 0);
    EXPECT_FALSE(platform::FileAgeReadable(settings() + "Prog_1.0_LastCheck.ini"));
}

// A description left by an earlier run is announced at the first paint, and "do not remind
// again" keeps it from being announced or polled at the next start.
TEST_F(VersionCheckTest, DescriptionFromAnEarlierRunAndDoNotRemind) {
    testsupport::WriteFile(platform::NativePath(settings()) + "Prog_1.0_CNVTrue.txt", kNewer);
    LoadSettingsUAU(nullptr);
    testsupport::ModalDriver driver;
    driver.WhenModal("UFormNewVerExists", [](QWidget* window) {
        if (auto* form = qobject_cast<TUFormNewVerExists*>(window)) form->ui()->Button1->click();
    });
    AutoUpdateAction(3, 0, nullptr);
    EXPECT_TRUE(NewVersionAnnounced);
    EXPECT_TRUE(platform::FileAgeReadable(settings() + "Prog_1.0_CheckTrue"));
    NewVersionAnnounced = false;
    QTimer timer;
    AutoUpdateAction(1, 0, &timer);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(RunningAgentCount(), 0);
    EXPECT_TRUE(server_->Log().empty());
}

TEST(StatusFormatTest, OnlyPercentSIsFilled) {
    const struct {
        const char* format;
        bool ok;
        const char* text;
    } cases[] = {{"A [ %s ]", true, "A [ D ]"},
                 {"100%% [%s]", true, "100% [D]"},
                 {"no date", true, "no date"},
                 {"%d", false, ""},
                 {"%s %s", false, ""},
                 {"end %", false, ""},
                 {"%n", false, ""}};
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(FormatStatusText(c.format, "D", text), c.ok) << c.format;
        if (c.ok) {
            EXPECT_EQ(text, c.text) << c.format;
        }
    }
}

}  // namespace
