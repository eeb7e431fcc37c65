// The shared procedures: message boxes, the system version, modal windows under BusyFlag,
// copying and deleting folders, duration texts and the autostart settings file.
#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <stdexcept>

#include "foundation/Application.h"
#include "tests/foundation/FoundationFixture.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class Procedures : public FoundationFixture {};

TEST_F(Procedures, TheKindWordChoosesTheIcon) {
    struct Case {
        const char* kind;
        unsigned icon;
    };
    const Case cases[] = {{"Error", 0x10},  {"quest", 0x20}, {"WARNING", 0x30}, {"Info", 0x40},
                          {"questions", 0}, {"", 0},         {"warn", 0}};
    boxes.SetAnswer(kIdNo);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(ShowMessageBox(nullptr, "text", "caption", c.kind, kMbSystemModal | kMbYesNo), kIdNo);
        EXPECT_EQ(boxes.calls().back().flags, kMbSystemModal | kMbYesNo | c.icon);
        EXPECT_EQ(boxes.calls().back().kind, c.kind);
    }
    EXPECT_EQ(boxes.calls().front().text, "text");
    EXPECT_EQ(boxes.calls().front().caption, "caption");
}

// The real box, answered by clicking one of its buttons.
TEST(RealMessageBox, AnswersTheButtonPressedAsTheSystemBoxDoes) {
    struct Case {
        unsigned flags;
        QMessageBox::StandardButton click;
        int expected;
    };
    const Case cases[] = {
        {kMbYesNo | kMbSystemModal, QMessageBox::No, kIdNo}, {kMbYesNoCancel, QMessageBox::Yes, kIdYes},
        {kMbOkCancel, QMessageBox::Cancel, kIdCancel},       {kMbOk, QMessageBox::Ok, kIdOk},
        {kMbRetryCancel, QMessageBox::Retry, kIdRetry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        bool stayedOnTop = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            stayedOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            QTest::mouseClick(box->button(c.click), Qt::LeftButton);
        });
        EXPECT_EQ(ShowMessageBox(nullptr, "Text", "Caption", "warning", c.flags), c.expected);
        EXPECT_EQ(stayedOnTop, (c.flags & kMbSystemModal) != 0);
    }
}

TEST(SystemVersion, WordsRequireTheirVersion) {
    struct Case {
        int major, minor;
        const char* word;
        bool expected;
    };
    const Case cases[] = {
        {10, 0, "vista", true}, {10, 0, "2k", true},   {5, 1, "XP", true},  {5, 0, "XP", false},
        {5, 0, "2k", true},     {4, 10, "2K", false},  {4, 10, "98", true}, {4, 0, "98", false},
        {5, 0, "Vista", false}, {6, 0, "vista", true}, {1, 0, "nt", true},  {1, 0, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " " << c.word);
        SetSystemVersionForTesting({c.major, c.minor});
        EXPECT_EQ(IsWindowsAtLeast(c.word), c.expected);
    }
    SetSystemVersionForTesting({-1, -1});
    testsupport::ScopedEnv env;
    env.Set("KESTRUNE_WINDOWS_VERSION", std::nullopt);
    EXPECT_TRUE(IsWindowsAtLeast("vista")) << "answers as a current Windows";
    env.Set("KESTRUNE_WINDOWS_VERSION", "5.0");
    EXPECT_FALSE(IsWindowsAtLeast("xp"));
    EXPECT_TRUE(IsWindowsAtLeast("2k"));
    env.Set("KESTRUNE_WINDOWS_VERSION", "4");
    EXPECT_FALSE(IsWindowsAtLeast("2k"));
    env.Set("KESTRUNE_WINDOWS_VERSION", "garbage");
    EXPECT_TRUE(IsWindowsAtLeast("vista"));
}

TEST(DurationText, DaysAndTheTimeOfDay) {
    struct Case {
        std::int64_t ms;
        const char* expected;
    };
    const Case cases[] = {
        {0, "00:00:00"},
        {999, "00:00:00"},
        {3723000, "01:02:03"},
        {86400000, "1 days, 00:00:00"},
        {90061000, "1 days, 01:01:01"},
        {86399999, "23:59:59"},
        {-1000, "49 days, 17:02:46"},  // a 32-bit tick count that wrapped
        {std::int64_t{400} * 86400000, "400 days, 00:00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(DurationText(c.ms), c.expected) << c.ms;
}

class ModalWindows : public FoundationFixture {
protected:
    void TearDown() override {
        SetFormTranslationHook(nullptr);
        FoundationFixture::TearDown();
    }
    // A window that the test closes as soon as it runs, noting BusyFlag meanwhile.
    std::function<QWidget*()> ClosingForm(bool dialog, bool freesItself = false) {
        return [this, dialog, freesItself]() -> QWidget* {
            QWidget* form = dialog ? new QDialog : new QWidget;
            form->setObjectName("Form");
            form->setAttribute(Qt::WA_DeleteOnClose, freesItself);
            watched = form;
            QTimer::singleShot(0, form, [this, form] {
                busyWhileShown = BusyFlag;
                form->close();
            });
            return form;
        };
    }
    QPointer<QWidget> watched;
    bool busyWhileShown = false;
};

TEST_F(ModalWindows, BusyFlagIsSetWhileShownAndTheWindowIsFreed) {
    for (const bool dialog : {true, false}) {
        SCOPED_TRACE(dialog ? "dialog" : "plain window");
        std::vector<std::string> translated;
        SetFormTranslationHook([&](QWidget* form) { translated.push_back(form->objectName().toStdString()); });
        ShowFormModal(true, nullptr, ClosingForm(dialog));
        EXPECT_TRUE(busyWhileShown);
        EXPECT_FALSE(BusyFlag);
        EXPECT_TRUE(watched.isNull()) << "the window is freed when it closes";
        EXPECT_EQ(translated, std::vector<std::string>{"Form"});
        ShowFormModal(false, nullptr, ClosingForm(dialog));
        EXPECT_EQ(translated.size(), 1u) << "not translated when not asked";
        ShowFormModal(false, nullptr, ClosingForm(dialog, true));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watched.isNull()) << "a window that frees itself on close";
        EXPECT_FALSE(BusyFlag);
    }
}

TEST_F(ModalWindows, ABusyFlagSetElsewhereIsLeftSet) {
    BusyFlag = true;
    ShowFormModal(false, nullptr, ClosingForm(true));
    EXPECT_TRUE(BusyFlag);
}

TEST_F(ModalWindows, AFailureClearsBusyFlagAndIsReported) {
    ShowFormModal(false, nullptr, []() -> QWidget* { throw std::runtime_error("cannot create"); });
    EXPECT_FALSE(BusyFlag);
    SetFormTranslationHook([](QWidget*) { throw std::runtime_error("cannot translate"); });
    ShowFormModal(true, nullptr, ClosingForm(true));
    EXPECT_FALSE(BusyFlag);
    EXPECT_TRUE(watched.isNull());
    EXPECT_EQ(errors, (std::vector<std::string>{"UP.007-01", "UP.007-01"}));
}

// An ended run leaves Qt's request to leave every loop behind; a new start in the same process
// must find its windows waiting for their user again, plain windows and dialogs alike.
TEST_F(ModalWindows, WindowsWaitAgainOnceAnEndedRunIsReset) {
    for (const bool dialog : {true, false}) {
        SCOPED_TRACE(dialog ? "dialog" : "plain window");
        TerminateApplication(3);
        ResetTermination();
        EXPECT_FALSE(TerminateRequested());
        EXPECT_EQ(TerminationStatus(), 0);
        ShowFormModal(false, nullptr, ClosingForm(dialog));
        EXPECT_TRUE(busyWhileShown) << "the window returned before the test closed it";
        busyWhileShown = false;
    }
}

// One call returns every program-wide value to its start, whichever unit owns it.
TEST_F(Procedures, OneResetReturnsTheProgramValuesToTheirStart) {
    BusyFlag = true;
    UseAppData = true;
    SettingsErrorFormat = "%s";
    AutorunMode = 2;
    OtherInstanceNames[3] = "Other";
    TempDirCache = "/somewhere";
    RecordedSettingKeys.push_back("key");
    TerminateApplication(4);
    ResetProgramValuesForTesting();
    EXPECT_FALSE(BusyFlag);
    EXPECT_FALSE(UseAppData);
    EXPECT_TRUE(SettingsErrorFormat.empty());
    EXPECT_EQ(AutorunMode, 0);
    EXPECT_TRUE(OtherInstanceNames[3].empty());
    EXPECT_TRUE(TempDirCache.empty());
    EXPECT_TRUE(RecordedSettingKeys.empty());
    EXPECT_FALSE(TerminateRequested());
}

class Folders : public FoundationFixture {
protected:
    std::string root() const { return app() + "/work"; }
};

// The program installs the folder tree's event hook at its start: a long delete lets the event
// loop run before each sub-folder.
TEST_F(Folders, TheInstalledHookLetsTheEventLoopRunWhileATreeIsDeleted) {
    InstallFolderTreeEventHook();
    WriteFile(root() + "/tree/sub/file", "f");
    int ticks = 0;
    QTimer::singleShot(0, [&] { ++ticks; });
    DeleteDirectory(root() + "/tree");
    EXPECT_FALSE(FileExists(root() + "/tree"));
    EXPECT_EQ(ticks, 1);
    SetFolderTreeEventHook(nullptr);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Folders, AutorunSettingsAreDeletedFromTheProgramFolder) {
    const std::string file = programSettings() + "/UARSettings.ini";
    WriteFile(file, "");
    AutorunMode = 2;
    DeleteAutorunSettings();
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(AutorunMode, 2);
    WriteFile(file, "");
    ResetAutorunSettings();
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(AutorunMode, 0);
    ResetAutorunSettings();
    EXPECT_TRUE(errors.empty());
}

}  // namespace
