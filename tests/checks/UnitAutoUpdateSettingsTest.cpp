// The update settings frame inside a real settings window, in whole starts of this process: the
// stored check settings shown, changed by the user, stored by OK byte for byte and left alone by
// Cancel and Esc; its texts in each language; a stored interval out of bounds repaired.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <ctime>
#include <optional>

#include "checks/AgentRun.h"
#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "host/IncludeModules.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "tests/host/HostTestSupport.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::vector<std::string> kSettingsStart{"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"};

struct Stored {
    bool enabled;
    int interval;
    bool onlineOnly;
};

struct Shown {
    bool enabled;
    const char* interval;  // the text of the selected item
    bool onlineOnly;
    const char* status;
};

void Click(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

// The user picks an interval with the keyboard, as the list reports only a user's choice.
void ChooseInterval(TUFrame1* frame, Qt::Key key) {
    frame->NTCComboBox4->setFocus();
    QTest::keyClick(frame->NTCComboBox4, key);
}

class UpdateSettingsFrame : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler_ = SetErrorHandler([this](const std::string& code) { codes_.push_back(code); });
        VersionCheckBegun = false;
        NewVersionAnnounced = false;
        VersionCheckFailed = false;
        // Offline: the online-only check waits and starts no agent; the last check was today,
        // so a check that need not wait is not due either.
        platform::SetNetworkConnectedForTesting(0);
        std::tm now{};
        now.tm_year = 2026 - 1900;
        now.tm_mon = 2;
        now.tm_mday = 5;
        now.tm_hour = 12;
        platform::SetLocalTimeForTesting([now] { return now; });
        MustSetFilesInAppData = false;
        UseAppData = false;
        ASSERT_TRUE(WriteLastCheckFile("Prog_2.0"));
        lastCheckDate_ = LastCheckDateText("Prog_2.0");
    }
    void TearDown() override {
        platform::SetLocalTimeForTesting({});
        platform::SetNetworkConnectedForTesting(-1);
        SetErrorHandler(std::move(previousHandler_));
    }
    std::string settingsFile() const { return program_.app() + "/Settings/UAUSettings.ini"; }
    static std::string FileText(const Stored& v, const std::string& date) {
        return "[Main]\r\nFile=<UAutoUpdate Settings File>\r\nVersion=01.00\r\nDate=" + date +
               "\r\n\r\n[Settings]\r\nUUCheckEnabled=" + (v.enabled ? "1" : "0") +
               "\r\nUIntervalAUCheck=" + std::to_string(v.interval) + "\r\nUCheckInet=" + (v.onlineOnly ? "1" : "0") +
               "\r\n";
    }
    // A file an earlier run left, dated then.
    void Store(const Stored& v) { WriteFile(settingsFile(), FileText(v, "01.01.2020")); }
    std::string noNewVersions() const { return " Update check: no new versions [ " + lastCheckDate_ + " ]"; }

    static void ExpectShown(TUFrame1* frame, const Shown& shown) {
        EXPECT_EQ(frame->CheckBox7->isChecked(), shown.enabled);
        EXPECT_EQ(frame->NTCComboBox4->currentText().toStdString(), shown.interval);
        EXPECT_EQ(frame->NTCComboBox4->isEnabled(), shown.enabled);
        EXPECT_EQ(frame->CheckBox1->isChecked(), shown.onlineOnly);
        EXPECT_EQ(frame->CheckBox1->isEnabled(), shown.enabled);
        EXPECT_EQ(frame->Panel2->text().toStdString(), shown.status);
    }

    hosttest::ScratchProgram program_;
    std::vector<std::string> codes_;
    std::string lastCheckDate_;

private:
    ErrorHandler previousHandler_;
};

// What the window shows comes from the stored file; the user's changes go back into it with OK,
// exactly as the check writes its settings (a missing file is created with them).
TEST_F(UpdateSettingsFrame, ShowsTheStoredValuesAndOkStoresTheChanges) {
    struct Case {
        const char* name;
        std::optional<Stored> stored;
        bool shownEnabled;
        const char* shownInterval;
        bool shownOnlineOnly;
        std::function<void(TUFrame1*)> change;
        Stored written;
    };
    const std::vector<Case> cases{
        {"switched on again, longest interval, online only", Stored{false, 4, false}, false, "15", false,
         [](TUFrame1* f) {
             Click(f, "CheckBox7");
             ChooseInterval(f, Qt::Key_End);
             Click(f, "CheckBox1");
         },
         Stored{true, 6, true}},
        {"switched off, shortest interval, any connection", Stored{true, 1, true}, true, "3", true,
         [](TUFrame1* f) {
             Click(f, "CheckBox1");
             ChooseInterval(f, Qt::Key_Home);
             Click(f, "CheckBox7");
         },
         Stored{false, 0, false}},
        {"no file: the defaults, unchanged", std::nullopt, true, "5", true, [](TUFrame1*) {}, Stored{true, 2, true}},
        {"one step down the list", Stored{true, 3, true}, true, "10", true,
         [](TUFrame1* f) { ChooseInterval(f, Qt::Key_Up); }, Stored{true, 2, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::RemoveFile(settingsFile());
        if (c.stored) Store(*c.stored);
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            const std::string status = c.shownEnabled ? noNewVersions() : " Update check: switched off";
            ExpectShown(frame, {c.shownEnabled, c.shownInterval, c.shownOnlineOnly, status.c_str()});
            c.change(frame);
            // The check-at-start box greys the rest and tells the status line at once.
            const std::string after = c.written.enabled ? noNewVersions() : " Update check: switched off";
            EXPECT_EQ(frame->Panel2->text().toStdString(), after);
            EXPECT_EQ(frame->NTCComboBox4->isEnabled(), c.written.enabled);
            EXPECT_EQ(frame->CheckBox1->isEnabled(), c.written.enabled);
            Click(window, "ButtonOk");
        });
        EXPECT_EQ(program_.Start(kSettingsStart), 0);
        EXPECT_TRUE(seen);
        EXPECT_EQ(ReadFile(settingsFile()), FileText(c.written, ShortDateText()));
    }
    EXPECT_TRUE(program_.boxes().empty());
    EXPECT_TRUE(codes_.empty());
}

// Cancel and Esc leave the stored file as it was and read its values back into the check.
TEST_F(UpdateSettingsFrame, CancelAndEscLeaveTheFileAsItWas) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> close;
    };
    const std::vector<Case> cases{
        {"Cancel", [](QWidget* w) { Click(w, "ButtonCancel"); }},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
    };
    const Stored stored{false, 5, false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store(stored);
        const std::string before = ReadFile(settingsFile());
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            Click(frame, "CheckBox7");
            Click(frame, "CheckBox1");
            ChooseInterval(frame, Qt::Key_Home);
            EXPECT_TRUE(VersionCheckEnabled);
            EXPECT_TRUE(VersionCheckOnlineOnly);
            EXPECT_EQ(VersionIntervalIndex, 0);
            c.close(window);
            EXPECT_FALSE(VersionCheckEnabled) << "read back from the file";
            EXPECT_FALSE(VersionCheckOnlineOnly);
            EXPECT_EQ(VersionIntervalIndex, 5);
        });
        EXPECT_EQ(program_.Start(kSettingsStart), 0);
        EXPECT_TRUE(seen);
        EXPECT_EQ(ReadFile(settingsFile()), before);
    }
    EXPECT_TRUE(program_.boxes().empty());
}

// The frame's texts in the language of the start; the interval list keeps its numbers in each.
TEST_F(UpdateSettingsFrame, TextsInEachLanguage) {
    struct Texts {
        const char* language;
        const char *title, *atStart, *onlineOnly, *interval, *checkNow, *status;
    };
    const Texts cases[] = {
        {"English", " Update check:", "Check for a new version when the program starts",
         "If the Internet is off, do not connect", "Minimum interval in days", "Check now",
         " Update check: querying for new versions..."},
        {"Russian", " Проверка наличия обновлений:", "Проверять наличие новой версии при запуске программы",
         "Если интернет отключен - не подключаться", "Минимальный интервал в сутках", "Проверить сейчас",
         " Проверка наличия обновлений: Запрос данных о новых версиях..."},
    };
    // No check was made yet: it waits for a connection, and the frame shows it under way.
    platform::RemoveFile(LastCheckFilePath("Prog_2.0"));
    for (const Texts& c : cases) {
        SCOPED_TRACE(c.language);
        VersionCheckBegun = false;
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->Label3->text().toStdString(), c.title);
            EXPECT_EQ(frame->CheckBox7->text().toStdString(), c.atStart);
            EXPECT_EQ(frame->CheckBox1->text().toStdString(), c.onlineOnly);
            EXPECT_EQ(frame->Label7->text().toStdString(), c.interval);
            EXPECT_EQ(frame->Button2->text().toStdString(), c.checkNow);
            EXPECT_EQ(frame->Panel2->text().toStdString(), c.status);
            EXPECT_EQ(frame->NTCPanelACNV2->text(), "2.0 ");
            QStringList items;
            for (int i = 0; i < frame->NTCComboBox4->count(); ++i) items << frame->NTCComboBox4->itemText(i);
            EXPECT_EQ(items, QStringList({"1", "3", "5", "10", "15", "20", "30"}));
            EXPECT_TRUE(frame->Button2->isEnabled()) << "a check waiting for a connection can be started at once";
            Click(window, "ButtonCancel");
        });
        std::vector<std::string> start = kSettingsStart;
        start[3] = c.language;
        EXPECT_EQ(program_.Start(start), 0);
        EXPECT_TRUE(seen);
    }
}

// A change of language while the window is open translates the frame and rebuilds its status
// line in the new language: "querying" stays querying, any other status is worked out anew.
TEST_F(UpdateSettingsFrame, ALanguageChangeRetranslatesTheOpenFrame) {
    struct Case {
        const char* name;
        bool checkedToday;  // otherwise the check waits for a connection: "querying"
        std::string english, russian;
    };
    const std::vector<Case> cases{
        {"querying", false, " Update check: querying for new versions...",
         " Проверка наличия обновлений: Запрос данных о новых версиях..."},
        {"no new versions", true, noNewVersions(),
         " Проверка наличия обновлений: Новые версии отсутствуют [ " + lastCheckDate_ + " ]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.checkedToday) platform::RemoveFile(LastCheckFilePath("Prog_2.0"));
        VersionCheckBegun = false;
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->Panel2->text().toStdString(), c.english);
            QAction* russian = nullptr;
            for (QAction* item : LanguageItems(LanguageItemPlace::Parent))
                if (item->objectName() == "Russian") russian = item;
            EXPECT_NE(russian, nullptr);
            if (russian) russian->trigger();
            EXPECT_EQ(frame->Panel2->text().toStdString(), c.russian);
            EXPECT_EQ(frame->CheckBox7->text().toStdString(), "Проверять наличие новой версии при запуске программы");
            EXPECT_EQ(frame->Button2->text().toStdString(), "Проверить сейчас");
            Click(window, "ButtonCancel");
        });
        // A start that names no language offers the language menu; English is the stored one.
        WriteFile(program_.app() + "/Settings/ULangSettings.ini",
                  "[Main]\r\nFile=<ULang.Proc. Settings File>\r\nVersion=01.00\r\n\r\n[Settings]\r\n"
                  "Language=\"English\"\r\n");
        EXPECT_EQ(program_.Start({"", "Prog", "2.0"}), 0);
        EXPECT_TRUE(seen);
        ASSERT_TRUE(WriteLastCheckFile("Prog_2.0"));
    }
}

// A stored interval outside its bounds is repaired in the file and reported once, with the
// settings window's owner; the frame shows the default, and OK stores a usable value.
TEST_F(UpdateSettingsFrame, AnIntervalOutOfBoundsIsRepairedAndReported) {
    const char* const cases[] = {"7", "-1", "0x10", "2147483647"};
    for (const char* interval : cases) {
        SCOPED_TRACE(interval);
        WriteFile(settingsFile(), std::string("[Main]\r\nFile=<UAutoUpdate Settings File>\r\nVersion=01.00\r\n"
                                              "Date=01.01.2020\r\n\r\n[Settings]\r\nUUCheckEnabled=1\r\n"
                                              "UIntervalAUCheck=") +
                                      interval + "\r\nUCheckInet=1\r\n");
        const std::size_t boxesBefore = program_.boxes().size();
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->NTCComboBox4->currentText(), "5");
            EXPECT_EQ(VersionIntervalIndex, 2);
            EXPECT_NE(ReadFile(settingsFile()).find("UIntervalAUCheck=2\r\n"), std::string::npos)
                << "repaired in the file before the window opened";
            Click(window, "ButtonOk");
        });
        EXPECT_EQ(program_.Start(kSettingsStart), 0);
        EXPECT_TRUE(seen);
        ASSERT_EQ(program_.boxes().size(), boxesBefore + 1) << "one repair notice";
        const MessageBoxCall& box = program_.boxes().back();
        EXPECT_EQ(box.caption, "Warning...");
        EXPECT_NE(box.text.find("in 1 of 3 parameters"), std::string::npos) << box.text;
        EXPECT_EQ(ReadFile(settingsFile()), FileText({true, 2, true}, ShortDateText()));
    }
    EXPECT_TRUE(codes_.empty());
}

// Without the agent every control is greyed and the status line says the checker is missing,
// yet the stored values are shown and OK stores them unchanged; with a new version known the
// check at start is switched off and greyed, and OK stores that.
TEST_F(UpdateSettingsFrame, NoAgentAndANewVersionKnown) {
    struct Case {
        const char* name;
        std::function<void(const std::string& app)> prepare;
        Stored stored;
        bool panelEnabled;
        bool atStartEnabled;
        const char* interval;
        const char* status;
        Stored written;
    };
    const std::vector<Case> cases{
        {"no agent", [](const std::string& app) { platform::RemoveFile(app + "/Resource/Pellmark"); },
         Stored{false, 5, false}, false, false, "20", " Update check: the checking module is missing !!!",
         Stored{false, 5, false}},
        {"new version known",
         [](const std::string& app) {
             WriteFile(app + "/Settings/Prog_2.0_CNVTrue.txt", "2.1\r\n01.02.2026\r\nhttp://h/\r\n10\r\nx\r\n");
             WriteFile(app + "/Settings/Prog_2.0_CNVTrueEng.txt", "2.1\r\n02/01/2026\r\nhttp://h/\r\n10\r\nx\r\n");
             WriteFile(app + "/Settings/Prog_2.0_CheckTrue", "");
         },
         Stored{true, 3, true}, true, false, "10", " Update check: A NEW VERSION OF THE PROGRAM IS OUT !!!",
         Stored{false, 3, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hosttest::ScratchProgram program;
        c.prepare(program.app());
        const std::string file = program.app() + "/Settings/UAUSettings.ini";
        WriteFile(file, FileText(c.stored, "01.01.2020"));
        // The values a run starts with, before anything is read.
        VersionCheckEnabled = false;
        VersionIntervalIndex = 0;
        VersionCheckOnlineOnly = false;
        VersionCheckBegun = false;
        bool seen = false;
        program.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            auto* frame = window->findChild<TUFrame1*>("UFrame11");
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->Panel1->isEnabled(), c.panelEnabled);
            EXPECT_EQ(frame->Button2->isEnabled(), c.panelEnabled);
            EXPECT_EQ(frame->CheckBox7->isEnabled(), c.atStartEnabled);
            EXPECT_EQ(frame->Label7->isEnabled(), c.atStartEnabled);
            EXPECT_EQ(frame->CheckBox7->isChecked(), c.written.enabled);
            EXPECT_EQ(frame->NTCComboBox4->currentText().toStdString(), c.interval);
            EXPECT_EQ(frame->CheckBox1->isChecked(), c.written.onlineOnly);
            EXPECT_EQ(frame->Panel2->text().toStdString(), c.status);
            Click(window, "ButtonOk");
        });
        EXPECT_EQ(program.Start(kSettingsStart), 0);
        EXPECT_TRUE(seen);
        EXPECT_EQ(ReadFile(file), FileText(c.written, ShortDateText()));
        EXPECT_TRUE(program.boxes().empty());
    }
}

// Check now forgets the last check and the "do not remind" mark, starts the agent at once (also
// offline, also when the check at start is off), greys itself while the agent runs and comes back
// when the timer's poll has taken the answer.
TEST_F(UpdateSettingsFrame, CheckNowRunsOneCheckAndGivesTheButtonBack) {
    Store({false, 2, true});
    const std::string checkTrue = program_.app() + "/Settings/Prog_2.0_CheckTrue";
    WriteFile(checkTrue, "");
    const std::string lastCheck = program_.app() + "/Settings/Prog_2.0_LastCheck.ini";
    const std::string before = ReadFile(lastCheck);
    std::tm later{};
    later.tm_year = 2026 - 1900;
    later.tm_mon = 2;
    later.tm_mday = 5;
    later.tm_hour = 13;
    bool seen = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        seen = true;
        auto* frame = window->findChild<TUFrame1*>("UFrame11");
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(TimerUCNV);
        EXPECT_FALSE(TimerUCNV->isActive()) << "switched off and checked today: nothing runs";
        platform::SetLocalTimeForTesting([later] { return later; });
        Click(frame, "Button2");
        EXPECT_FALSE(FileExists(checkTrue));
        EXPECT_NE(ReadFile(lastCheck), before) << "rewritten by the start of the check";
        EXPECT_FALSE(frame->Button2->isEnabled());
        EXPECT_TRUE(TimerUCNV->isActive());
        EXPECT_EQ(TimerUCNV->interval(), 500);
        EXPECT_EQ(frame->Panel2->text().toStdString(), " Update check: querying for new versions...");
        const std::string started = ReadFile(lastCheck);
        // A second click cannot come while the agent runs.
        Click(frame, "Button2");
        EXPECT_TRUE(testsupport::WaitFor(
            "the check-now button back after the agent's answer", [&] { return frame->Button2->isEnabled(); },
            testsupport::TurnEventLoop));
        EXPECT_FALSE(TimerUCNV->isActive());
        EXPECT_EQ(ReadFile(lastCheck), started) << "one check only";
        EXPECT_NE(frame->Panel2->text().toStdString(), " Update check: querying for new versions...");
        Click(window, "ButtonCancel");
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(testsupport::WaitFor(
        "every agent run to answer", [] { return RunningAgentCount() == 0; }, testsupport::TurnEventLoop));
}

}  // namespace
