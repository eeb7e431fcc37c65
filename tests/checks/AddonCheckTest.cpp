// The add-on list check with the real agent against the loopback server, and its window: the new
// list accepted and announced, the tree of offered entries, the settings it keeps.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>

#include "checks/UFormAutoComponents.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/DueTest.h"
#include "language/LangProcessor.h"
#include "platform/Clock.h"
#include "platform/Network.h"
#include "tests/checks/CheckFixture.h"

namespace {

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TurnEventLoop;
using testsupport::WaitFor;
using testsupport::WriteFile;

const std::string kList =
    "[List]\r\nCOA=3\r\nCntSize=12\r\nN1=Patch one\r\nN2=Add one\r\nN3=Add two\r\n"
    "[Patch one]\r\nInNm=p1\r\nPrnt=Patch\r\n[Add one]\r\nInNm=a1\r\nPrnt=Add\r\nVrs=2.0\r\nSz=1.5\r\n"
    "dt=01.02.2026\r\nEnT=<b>Description</b>\r\nRuT=Описание\r\nLk=http://example.org/ru\r\nELk=http://example.org/en\r\n"
    "[Add two]\r\nInNm=a2\r\nPrnt=Add\r\nELk=javascript:alert(1)\r\n";

template <class T>
T* Find(QWidget* window, const char* name) {
    auto* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class AddonCheckTest : public checktest::CheckFixture {
protected:
    void SetUp() override {
        CheckFixture::SetUp();
        CurrentLanguage = "Russian";
        AddonListUrl = server_->Url();
        AddonCheckEnabled = true;
        AddonIntervalIndex = 2;
        AddonCheckOnlineOnly = true;
        AddonHelperPresent = true;
        AddonWindowShown = false;
        timer_.setInterval(500);
        QObject::connect(&timer_, &QTimer::timeout, [] { TimerUCACTimer(); });
        TimerUCAC = &timer_;
        SetAddonWindowServices({[this] { ++windowsOpened; }, {}, {}});
        platform::SetNetworkConnectedForTesting(1);
    }
    void TearDown() override {
        platform::SetNetworkConnectedForTesting(-1);
        SetAddonWindowServices({});
        TimerUCAC = nullptr;
        CheckFixture::TearDown();
    }
    void Publish(const std::string& mark, const std::string& list, const std::string& how = "") {
        Serve("Components_LastEdit.txt", mark);
        Serve("Components.txt", list, how);
    }
    // A check as the window's check-now button starts it, to its end.
    void RunCheck(bool manual = true) {
        LaunchCheckUAC(manual);
        WaitForTheEnd(timer_);
        WaitForAgents();
    }

    int windowsOpened = 0;
    QTimer timer_;
};

// A new complete list is accepted and announced; Yes opens the window, No leaves it closed; an
// unchanged list is not fetched again.
TEST_P(AddonCheckTest, ANewListIsAcceptedAndAnnounced) {
    Publish("1", kList);
    MessageBoxRecorder boxes(kIdYes);
    RunCheck();
    EXPECT_TRUE(FileExists(settings("Components_UAC.ini")));
    EXPECT_FALSE(FileExists(settings("Components.ini")));
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].flags & 0xf, kMbYesNo);
    EXPECT_EQ(windowsOpened, 1);
    EXPECT_EQ(Fetched("Components.txt"), 1);

    boxes.SetAnswer(kIdNo);
    RunCheck();
    EXPECT_EQ(Fetched("Components.txt"), 1) << "an unchanged mark fetches no list";
    EXPECT_EQ(boxes.calls().size(), 1u) << "nothing new: no notice";

    Publish("2", kList + "[Extra]\r\n");
    RunCheck();
    EXPECT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(windowsOpened, 1) << "No leaves the window closed";
    EXPECT_TRUE(errorCodes.codes.empty());
}

// Lists that fail on their way or are no lists are never accepted, store nothing and announce
// nothing; a list still being written stays to be looked at again.
TEST_P(AddonCheckTest, BadListsAreNeverAccepted) {
    MessageBoxRecorder boxes(kIdNo);
    struct Case {
        const char* name;
        std::string list;
        const char* how;
        bool waits;
    };
    const std::vector<Case> cases{
        {"not found", kList, "status 404", false},
        {"cut", kList, "truncate", false},
        {"stalled", kList, "stall", false},
        {"empty", "", "", false},
        {"an error page", "<html>Not Found</html>", "", false},
        {"half written", "[List]\r\nCOA=1\r\nCntSize=40\r\nN1=x\r\n", "", true},
    };
    int mark = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Publish(std::to_string(++mark), c.list, c.how);
        RunCheck();
        EXPECT_FALSE(FileExists(settings("Components_UAC.ini")));
        EXPECT_EQ(FileExists(settings("Components.ini")), c.waits);
        platform::RemoveFile(settings("Components.ini"));
    }
    EXPECT_TRUE(boxes.calls().empty());
}

// The due test with a fixed clock: not due the same day, due after the interval; the check of a
// start that is not due touches neither the timer nor the server.
TEST_P(AddonCheckTest, StartsOnlyWhenDue) {
    Publish("1", kList);
    MessageBoxRecorder boxes(kIdNo);
    std::tm day{};
    day.tm_year = 126;
    day.tm_mon = 0;
    day.tm_mday = 10;
    day.tm_hour = 12;
    platform::SetLocalTimeForTesting([&] { return day; });
    RunCheck(false);
    EXPECT_EQ(Fetched("Components_LastEdit.txt") + Fetched("Components.txt"), 2);
    server_->ClearLog();
    LaunchCheckUAC(false);
    EXPECT_FALSE(timer_.isActive());
    day.tm_mday = 16;  // six days later: past the 5 days of index 2
    RunCheck(false);
    EXPECT_FALSE(server_->Log().empty());
    platform::SetLocalTimeForTesting({});
}

// The list is judged at the agent's exit, not at its ready flag, which comes a moment before: a
// stand-in agent leaves a list and the flag, and holds its exit until the test lets it go.
TEST_P(AddonCheckTest, TheReadyFlagAloneDoesNotEndTheCheck) {
    const std::string agent = app() + "/Resource/Pellmark";
    const std::string go = home_.root() + "/go";
    WriteFile(agent, "#!/bin/sh\nprintf '" + kList + "' > '" + settings("Components.ini") +
                         "'\n: > \"$TEMP/Components_CAC_Ready\"\nwhile [ ! -e '" + go +
                         "' ]; do sleep 0.02; done\nexit 1\n");
    ASSERT_EQ(chmod(agent.c_str(), 0755), 0);
    const auto release = qScopeGuard([&] { WriteFile(go, ""); });  // also when the test fails
    MessageBoxRecorder boxes(kIdNo);
    timer_.stop();
    LaunchCheckUAC(true);
    timer_.stop();  // the test ticks by hand
    ASSERT_TRUE(WaitFor(
        "the stand-in agent's ready flag",
        [] { return platform::FileAgeReadable(GetProgramPath(0, "Components_CAC_Ready")); }, TurnEventLoop));
    timer_.start();
    TimerUCACTimer();  // a tick between the flag and the exit
    EXPECT_TRUE(timer_.isActive()) << "the poll goes on while the agent runs";
    EXPECT_TRUE(boxes.calls().empty());
    WriteFile(go, "");
    timer_.stop();
    WaitForAgents();
    timer_.start();
    TimerUCACTimer();
    EXPECT_FALSE(timer_.isActive()) << "the poll takes the exit as the answer";
    EXPECT_TRUE(FileExists(settings("Components_UAC.ini"))) << "the list the agent left is whole and accepted";
    EXPECT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(errorCodes.codes.empty());
}

// A check switched off while it waited for a connection ends: the timer stops, no agent starts.
TEST_P(AddonCheckTest, ASwitchedOffCheckStartsNoAgent) {
    Publish("1", kList);
    AddonCheckEnabled = false;
    timer_.setInterval(10000);
    timer_.start();
    TimerUCACTimer();
    EXPECT_FALSE(timer_.isActive());
    EXPECT_EQ(RunningAgentCount(), 0);
    EXPECT_FALSE(FileExists(settings("Components_LastCheck.ini"))) << "no check was started";
    WaitForAgents();
    EXPECT_TRUE(server_->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(BothSettingsModes, AddonCheckTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

class AddonWindow : public AddonCheckTest {};

// The status line shows its whole text.
void ExpectWholeStatusLine(QWidget* window) {
    auto* line = Find<QLabel>(window, "NTCPanel2");
    EXPECT_LE(QFontMetrics(line->font()).horizontalAdvance(line->text()), line->contentsRect().width())
        << line->text().toStdString();
}

// The window: its size, the tree of offered entries, an entry's fields as plain text, its page opened
// through the opening rules.
TEST_P(AddonWindow, ShowsTheOfferedEntries) {
    WriteFile(settings("Components_UAC.ini"), kList);
    WriteFile(app() + "/Resource/InstallComponents.ini", "p1\r\n");
    auto* window = new TUFormAutoComponents();
    EXPECT_EQ(window->size(), QSize(447, 528));
    EXPECT_TRUE(AddonWindowShown);
    auto* tree = Find<QTreeWidget>(window, "NTCTreeView1");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("Дополнения"));
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 2);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    window->NTCTreeView1Click();
    EXPECT_EQ(Find<QLineEdit>(window, "NTCLabeledEdit4")->text(), "Add one");
    EXPECT_EQ(Find<QLineEdit>(window, "NTCLabeledEdit1")->text(), "2.0");
    EXPECT_EQ(Find<QPlainTextEdit>(window, "NTCMemo1")->toPlainText(), QString::fromUtf8("Описание"))
        << "Russian follows the interface language, as plain text";
    Find<QPushButton>(window, "Button1")->click();
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    window->NTCTreeView1Click();
    Find<QComboBox>(window, "NTCComboBox1")->setCurrentIndex(0);
    Find<QPushButton>(window, "Button1")->click();
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.org/ru 0"}) << "a javascript: link is never opened";
    tree->setCurrentItem(tree->topLevelItem(0));
    window->NTCTreeView1Click();
    EXPECT_FALSE(Find<QPushButton>(window, "Button1")->isEnabled());
    EXPECT_EQ(Find<QPlainTextEdit>(window, "NTCMemo1")->toPlainText(), QString::fromUtf8("Не выбрано"));
    window->close();
    EXPECT_FALSE(AddonWindowShown);
}

// The download button opens its address by the rule of a page's links: encoded as the list wrote
// it, and a mail address without the keys that would attach a file.
TEST_P(AddonWindow, TheDownloadButtonKeepsTheLinkRule) {
    WriteFile(settings("Components_UAC.ini"),
              "[List]\r\nCOA=1\r\nN1=Add one\r\n[Add one]\r\nInNm=a1\r\nPrnt=Add\r\n"
              "Lk=mailto:dev@example.org?subject=Hi%20there&Attachment=/etc/passwd\r\n"
              "ELk=https://example.com/a%20b\r\n");
    auto* window = new TUFormAutoComponents();
    auto* tree = Find<QTreeWidget>(window, "NTCTreeView1");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    window->NTCTreeView1Click();
    for (const int language : {0, 1}) {
        Find<QComboBox>(window, "NTCComboBox1")->setCurrentIndex(language);
        Find<QPushButton>(window, "Button1")->click();
    }
    EXPECT_EQ(opened,
              (std::vector<std::string>{"https://example.com/a%20b 0", "mailto:dev@example.org?subject=Hi%20there 0"}));
    window->close();
}

TEST_P(AddonWindow, TellsWhenThereIsNothingToOffer) {
    struct Case {
        const char* name;
        std::optional<std::string> list;
        const char* installed;
        const char* notice;
    };
    const std::vector<Case> cases{
        {"no list", std::nullopt, "", "Label10"},
        {"all installed", kList, "p1\na1\na2\n", "Label11"},
        {"no entries", std::string("[List]\r\nCOA=0\r\n"), "", "Label11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::RemoveFile(settings("Components_UAC.ini"));
        if (c.list) WriteFile(settings("Components_UAC.ini"), *c.list);
        WriteFile(app() + "/Resource/InstallComponents.ini", c.installed);
        auto* window = new TUFormAutoComponents();
        EXPECT_FALSE(Find<QTreeWidget>(window, "NTCTreeView1")->isVisibleTo(window));
        EXPECT_TRUE(Find<QLabel>(window, c.notice)->isVisibleTo(window));
        window->close();
    }
}

// OK stores the three settings; Cancel keeps the file and the values as they were.
TEST_P(AddonWindow, OkStoresTheSettingsAndCancelKeepsThem) {
    auto* window = new TUFormAutoComponents();
    EXPECT_TRUE(Find<QCheckBox>(window, "CheckBox7")->isChecked());
    EXPECT_EQ(Find<QComboBox>(window, "NTCComboBox4")->currentIndex(), 2);
    Find<QCheckBox>(window, "CheckBox1")->setChecked(false);
    Find<QComboBox>(window, "NTCComboBox4")->setCurrentIndex(4);
    Find<QPushButton>(window, "Button4")->click();
    EXPECT_FALSE(FileExists(settings("UACSettings.ini")));
    EXPECT_TRUE(AddonCheckOnlineOnly);

    window = new TUFormAutoComponents();
    Find<QCheckBox>(window, "CheckBox7")->click();
    EXPECT_FALSE(Find<QComboBox>(window, "NTCComboBox4")->isEnabled());
    EXPECT_EQ(Find<QLabel>(window, "NTCPanel2")->text(), QString::fromUtf8(" Проверка наличия дополнений: Отключено"));
    Find<QComboBox>(window, "NTCComboBox4")->setCurrentIndex(4);
    Find<QPushButton>(window, "Button3")->click();
    const std::string stored = ReadFile(settings("UACSettings.ini"));
    EXPECT_NE(stored.find("UCCheckEnabled=0"), std::string::npos) << stored;
    EXPECT_NE(stored.find("UIntervalAUCheck=4"), std::string::npos) << stored;
    AddonCheckEnabled = true;
    LoadParametrsUAC(nullptr);
    EXPECT_FALSE(AddonCheckEnabled);
    EXPECT_EQ(AddonIntervalIndex, 4);
}

// A check that is running shows in the status line, and the window follows its end.
TEST_P(AddonWindow, FollowsARunningCheck) {
    Publish("1", kList);
    MessageBoxRecorder boxes(kIdOk);
    auto* window = new TUFormAutoComponents();
    EXPECT_EQ(Find<QLabel>(window, "NTCPanel2")->text(),
              QString::fromUtf8(" Проверка наличия дополнений: Последнее обновление списка дополнений Неизвестно"));
    ExpectWholeStatusLine(window);
    Find<QPushButton>(window, "Button2")->click();
    EXPECT_FALSE(Find<QPushButton>(window, "Button2")->isEnabled());
    EXPECT_EQ(Find<QLabel>(window, "NTCPanel2")->text(),
              QString::fromUtf8(" Проверка наличия дополнений: Запрос данных о новых версиях..."));
    ExpectWholeStatusLine(window);
    WaitForTheEnd(timer_);
    EXPECT_TRUE(Find<QPushButton>(window, "Button2")->isEnabled());
    ASSERT_EQ(boxes.calls().size(), 1u) << "the notice, with an OK button, owned by the window";
    EXPECT_EQ(boxes.calls()[0].flags & 0xf, kMbOk);
    EXPECT_EQ(boxes.calls()[0].owner, window);
    EXPECT_EQ(Find<QTreeWidget>(window, "NTCTreeView1")->topLevelItemCount(), 2) << "the tree was refilled";
    EXPECT_EQ(windowsOpened, 0);
    window->close();
    WaitForAgents();
}

INSTANTIATE_TEST_SUITE_P(ProgramFolder, AddonWindow, ::testing::Values(false));

}  // namespace
