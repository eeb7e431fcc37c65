// The include panel's timers with fixed clocks: which new-version checks a table of due times,
// connections and ticks starts (never one twice), with and without the settings window's frame;
// the work-time counter; the time-zone notice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <ctime>
#include <optional>

#include "checks/AgentRun.h"
#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "host/FrameInclude.h"
#include "host/IncludeModules.h"
#include "language/LangProcessor.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "tests/host/HostTestSupport.h"

using namespace kestrune;
using testsupport::ReadFile;

namespace {

using testsupport::AsTm;
using testsupport::Moment;

const char* const kQuerying = " Update check: querying for new versions...";

class IncludePanelTimers : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler_ = SetErrorHandler([this](const std::string& code) { codes_.push_back(code); });
        // An earlier start's end must not end the windows these ticks open.
        ResetTermination();
        env_.Set("KESTRUNE_AGENT_LIMITS", "connect=2,stall=1,run=6");
        MustSetFilesInAppData = false;
        UseAppData = false;
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        TempDirCache.clear();
        FilePrefix = "Prog_1.0";
        CallingProgramVersion = "1.0";
        // Nothing listens there: each agent run ends at once, as a failed check.
        CheckUrl = "http://127.0.0.1:1/";
        previousLanguage_ = CurrentLanguage;
        CurrentLanguage = "English";
        SuppressCheckWindows = false;
        TakeTranslatedStatusTexts({"no checker", "Update check: querying for new versions...", "new version", "unknown",
                                   "no new versions [ %s ]", "off"},
                                  "");
        SettingsFrameShown = false;
        SettingsFrame = nullptr;
        platform::SetLocalTimeForTesting([this] { return AsTm(now_); });
    }
    void TearDown() override {
        Settle();
        SettingsFrameShown = false;
        platform::SetLocalTimeForTesting({});
        platform::SetNetworkConnectedForTesting(-1);
        SetErrorHandler(std::move(previousHandler_));
        FilePrefix.clear();
        CheckUrl.clear();
        CurrentLanguage = previousLanguage_;
    }

    // One row's start: the check's settings and its last start, or none.
    void Prepare(int index, bool enabled, bool onlineOnly, const std::optional<Moment>& last, const Moment& now) {
        VersionAgentPresent = true;
        VersionCheckBegun = false;
        NewVersionAnnounced = false;
        VersionCheckFailed = false;
        VersionIntervalIndex = index;
        VersionCheckEnabled = enabled;
        VersionCheckOnlineOnly = onlineOnly;
        panel_.TimerUCNV->stop();
        panel_.TimerUCNV->setInterval(500);
        platform::RemoveFile(LastCheckFilePath(FilePrefix));
        if (last) {
            now_ = *last;
            ASSERT_TRUE(WriteLastCheckFile(FilePrefix));
        }
        now_ = now;
        seen_ = ReadFile(lastCheckFile());
        starts_ = 0;
    }
    std::string lastCheckFile() const { return platform::NativePath(LastCheckFilePath(FilePrefix)); }
    // Lets an agent run end and its answer arrive, then counts a rewritten last-check file as one
    // start (the clock moves on a minute at every step, so each start writes another time).
    void Settle() {
        EXPECT_TRUE(testsupport::WaitFor(
            "every agent run to answer", [] { return RunningAgentCount() == 0; }, testsupport::TurnEventLoop));
        const std::string text = ReadFile(lastCheckFile());
        if (text != seen_ && !text.empty()) ++starts_;
        seen_ = text;
        ++now_.minute;
    }
    void Begin(bool online) {
        platform::SetNetworkConnectedForTesting(online ? 1 : 0);
        AutoUpdateAction(1, 0, panel_.TimerUCNV);  // as the first paint begins the check
        Settle();
    }
    // A tick of the timer, when it runs.
    void Tick(bool online) {
        platform::SetNetworkConnectedForTesting(online ? 1 : 0);
        if (panel_.TimerUCNV->isActive()) panel_.TimerUCNVTimer(panel_.TimerUCNV);
        Settle();
    }

    hosttest::ScratchProgram program_;
    TUFrameIncludePanel panel_;
    Moment now_{2026, 3, 10, 12, 0};
    std::string seen_;
    int starts_ = 0;
    std::vector<std::string> codes_;

private:
    testsupport::ScopedEnv env_;
    ErrorHandler previousHandler_;
    std::string previousLanguage_;
};

TEST_F(IncludePanelTimers, StatesWhenMade) {
    EXPECT_TRUE(panel_.TimerWorkTime->isActive());
    EXPECT_EQ(panel_.TimerWorkTime->interval(), 60000);
    for (QTimer* idle : {panel_.TimerUCNV, panel_.TimerUCAC}) {
        EXPECT_FALSE(idle->isActive()) << idle->objectName().toStdString();
        EXPECT_EQ(idle->interval(), 500);
    }
    EXPECT_FALSE(panel_.TimerUTZMSG->isActive());
    EXPECT_EQ(panel_.TimerUTZMSG->interval(), 1000);
    EXPECT_FALSE(panel_.isVisibleTo(nullptr));
}

// Without the settings window: the first paint's begin, then the timer's ticks.
TEST_F(IncludePanelTimers, DueTimesConnectionsAndTicksStartEachCheckOnce) {
    struct Case {
        const char* what;
        std::optional<Moment> last;
        Moment now;
        int index;
        bool enabled, onlineOnly;
        bool onlineAtBegin;
        std::vector<bool> ticks;  // the connection at each tick
        bool switchOffAfterBegin;
        int starts;
        bool waitingAfterBegin;  // the timer waits for a connection (10000 ms) after the begin
    };
    const Moment noon{2026, 3, 10, 12, 0};
    // clang-format off
    const std::vector<Case> cases{
        {"never checked", std::nullopt, noon, 2, true, true, true, {true, true, true}, false, 1, false},
        {"checked this morning", Moment{2026, 3, 10, 8, 0}, noon, 0, true, true, true, {true}, false, 0, false},
        {"5 days: 4 days ago", Moment{2026, 3, 6, 12, 0}, noon, 2, true, true, true, {true}, false, 0, false},
        {"5 days: 6 days ago", Moment{2026, 3, 4, 12, 0}, noon, 2, true, true, true, {true, true}, false, 1, false},
        {"5 days: due day before the hour", Moment{2026, 3, 5, 14, 20}, {2026, 3, 10, 13, 59}, 2, true, true, true,
         {true}, false, 0, false},
        {"5 days: due day at the hour", Moment{2026, 3, 5, 14, 20}, {2026, 3, 10, 14, 0}, 2, true, true, true,
         {true, true}, false, 1, false},
        {"1 day: before the hour", Moment{2026, 3, 9, 9, 15}, {2026, 3, 10, 8, 59}, 0, true, true, true, {true},
         false, 0, false},
        {"1 day: at the hour", Moment{2026, 3, 9, 9, 15}, {2026, 3, 10, 9, 0}, 0, true, true, true, {true, true},
         false, 1, false},
        {"index outside the table is 5 days", Moment{2026, 3, 6, 12, 0}, noon, 9, true, true, true, {true}, false, 0,
         false},
        {"30 days: 40 days ago", Moment{2026, 1, 29, 12, 0}, noon, 6, true, true, true, {true, true}, false, 1, false},
        {"offline: waits, starts once online", std::nullopt, noon, 2, true, true, false,
         {false, false, false, true, true, true}, false, 1, true},
        {"offline, any connection: starts at once", std::nullopt, noon, 2, true, false, false, {false, false}, false,
         1, false},
        {"switched off while waiting, offline", std::nullopt, noon, 2, true, true, false, {false, true}, true, 0, true},
        {"switched off while waiting, online", std::nullopt, noon, 2, true, true, false, {true, true}, true, 0, true},
        {"switched off at start: nothing starts", std::nullopt, noon, 2, false, true, true, {true, true, true}, false,
         0, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.index, c.enabled, c.onlineOnly, c.last, c.now);
        Begin(c.onlineAtBegin);
        EXPECT_EQ(panel_.TimerUCNV->isActive() && panel_.TimerUCNV->interval() == 10000, c.waitingAfterBegin);
        if (c.switchOffAfterBegin) VersionCheckEnabled = false;
        for (bool online : c.ticks) Tick(online);
        // The begin comes once a run: a second one starts nothing more.
        Begin(true);
        for (int i = 0; i < 3; ++i) Tick(true);
        EXPECT_EQ(starts_, c.starts);
        if (c.enabled) {
            EXPECT_FALSE(panel_.TimerUCNV->isActive()) << "the poll ends the check";
            EXPECT_EQ(panel_.TimerUCNV->interval(), 500);
        }
    }
    EXPECT_TRUE(codes_.empty()) << codes_.front();
}

// With the settings window's frame registered, the ticks keep its check-now button and status line
// in step: greyed while an agent runs, back once the poll has taken the answer.
TEST_F(IncludePanelTimers, TheSettingsFrameFollowsTheTicks) {
    struct Case {
        const char* what;
        std::function<void(TUFrame1&)> begin;
        std::vector<bool> ticks;
        int starts;
        bool greyedAfterBegin;
    };
    const std::vector<Case> cases{
        {"check now",
         [this](TUFrame1& frame) {
             frame.Button2Click();
             frame.ULaunchCheck(1, 1, panel_.TimerUCNV);
             Settle();
         },
         {true, true},
         1,
         true},
        {"a waiting check started by a tick",
         [this](TUFrame1&) {
             Begin(false);
             Tick(true);
         },
         {true, true},
         1,
         true},
        {"a waiting check switched off",
         [this](TUFrame1&) {
             Begin(false);
             VersionCheckEnabled = false;
             Tick(true);
         },
         {},
         0,
         false},
        {"the window opens while the agent runs",
         [this](TUFrame1& frame) {
             SettingsFrameShown = false;
             platform::SetNetworkConnectedForTesting(1);
             AutoUpdateAction(1, 0, panel_.TimerUCNV);
             RegisterSettingsFrame(true, true, true, &frame);
             EXPECT_EQ(frame.Panel2->text().toStdString(), kQuerying);
             Settle();
         },
         {true, true},
         1,
         true},
    };
    TimerUCNV = panel_.TimerUCNV;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(2, true, true, std::nullopt, now_);
        TUFrame1 frame;
        SettingsFrame = &frame;
        SettingsFrameShown = true;
        frame.ULaunchCheck(6, 0, nullptr);
        c.begin(frame);
        EXPECT_EQ(!frame.Button2->isEnabled(), c.greyedAfterBegin);
        if (c.greyedAfterBegin) {
            EXPECT_EQ(frame.Panel2->text().toStdString(), kQuerying);
            QTest::mouseClick(frame.Button2, Qt::LeftButton);  // greyed: nothing happens
            Settle();
        }
        for (bool online : c.ticks) Tick(online);
        EXPECT_FALSE(panel_.TimerUCNV->isActive());
        EXPECT_TRUE(frame.Button2->isEnabled());
        EXPECT_NE(frame.Panel2->text().toStdString(), kQuerying);
        EXPECT_EQ(starts_, c.starts);
        SettingsFrameShown = false;
    }
    TimerUCNV = nullptr;
    EXPECT_TRUE(codes_.empty()) << codes_.front();
}

// A description left by an earlier check is announced by the poll; a tick that comes while its
// window is open opens no second window and starts nothing, with or without the frame.
TEST_F(IncludePanelTimers, ATickDuringTheNewVersionWindowOpensNothingMore) {
    const std::string newer = "2.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/download\r\n1536\r\nA change\r\n";
    TimerUCNV = panel_.TimerUCNV;
    for (bool withFrame : {false, true}) {
        SCOPED_TRACE(withFrame ? "with the frame" : "without the frame");
        Prepare(2, true, true, std::nullopt, now_);
        testsupport::WriteFile(platform::NativePath(VersionCheckFile("_CNVTrue.txt")), newer);
        testsupport::WriteFile(platform::NativePath(VersionCheckFile("_CNVTrueEng.txt")), newer);
        TUFrame1 frame;
        SettingsFrame = &frame;
        SettingsFrameShown = withFrame;
        int windows = 0;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            QWidget* window = QApplication::activeModalWidget();
            if (!window || window->objectName() != "UFormNewVerExists") return;
            watcher.stop();
            ++windows;
            EXPECT_FALSE(panel_.TimerUCNV->isActive()) << "stopped before the window opened";
            panel_.TimerUCNVTimer(panel_.TimerUCNV);
            EXPECT_EQ(QApplication::activeModalWidget(), window) << "no second window above it";
            auto* later = window->findChild<QPushButton*>("Button2");
            ASSERT_NE(later, nullptr);
            later->click();
        });
        watcher.start(10);
        Begin(true);
        EXPECT_TRUE(panel_.TimerUCNV->isActive()) << "the old answer is polled for";
        if (withFrame) frame.Button2->setEnabled(false);
        Tick(true);
        EXPECT_EQ(windows, 1);
        EXPECT_FALSE(panel_.TimerUCNV->isActive());
        EXPECT_EQ(starts_, 0) << "no agent runs while a description is there";
        if (withFrame) {
            EXPECT_TRUE(frame.Button2->isEnabled());
            EXPECT_EQ(frame.Panel2->text().toStdString(), " new version");
            EXPECT_FALSE(frame.CheckBox7->isChecked()) << "a known new version switches the check at start off";
        }
        SettingsFrameShown = false;
        platform::RemoveFile(platform::NativePath(VersionCheckFile("_CNVTrue.txt")));
        platform::RemoveFile(platform::NativePath(VersionCheckFile("_CNVTrueEng.txt")));
    }
    TimerUCNV = nullptr;
    EXPECT_TRUE(codes_.empty()) << codes_.front();
}

// The running-time counter holds the time of the run, also across the wrap of the tick count.
TEST_F(IncludePanelTimers, WorkTimeCountsTheRunningTimeOnce) {
    const std::uint32_t runStart = StartTickCount;
    for (std::uint32_t start : {1000u, 0xFFFF0000u}) {
        SCOPED_TRACE(start);
        const std::string counter = platform::NativePath(GetProgramPath(3, "") + "\\TmpCnt.ini");
        platform::RemoveFile(counter);
        StartTickCount = start;
        std::uint32_t now = start;
        platform::SetTickCountForTesting([&now] { return now; });
        TUFrameIncludePanel panel;
        for (int tick = 1; tick <= 3; ++tick) {
            now = start + 60000u * static_cast<std::uint32_t>(tick);
            panel.TimerWorkTimeTimer(panel.TimerWorkTime);
        }
        platform::SetTickCountForTesting({});
        EXPECT_EQ(ReadFile(counter), "THIS IS SYSTEM FILE, DO NOT EDIT AND DO NOT DELETE IT!\r\n180000\r\n");
    }
    StartTickCount = runStart;
}

// The time-zone notice, fired by its own timer: the box once, and nothing else opened.
TEST_F(IncludePanelTimers, TimeZoneNotice) {
    MessageBoxRecorder boxes;
    panel_.TimerUTZMSG->start();
    ASSERT_TRUE(testsupport::WaitFor(
        "the time-zone notice", [&] { return !boxes.calls().empty(); }, testsupport::TurnEventLoop));
    ASSERT_EQ(boxes.calls().size(), 1u);
    const MessageBoxCall& box = boxes.calls().front();
    EXPECT_EQ(box.text,
              "KV.Kestrune 1.0.3\n\nВнесены исправления в данные часовых поясов, \n"
              "сейчас будет открыто окно настроек даты/времени, \nвыберите свой часовой пояс заново.");
    EXPECT_EQ(box.caption, "Предупреждение...");
    EXPECT_EQ(box.kind, "Warning");
    EXPECT_EQ(box.flags & kMbSystemModal, kMbSystemModal);
    EXPECT_FALSE(panel_.TimerUTZMSG->isActive());
    EXPECT_TRUE(program_.openedUrls().empty());
}

}  // namespace
