// The shared procedures: message boxes, the system version, modal windows under BusyFlag,
// copying and deleting folders, duration texts and the autostart settings file.
#include <QApplication>
#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

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
    const Case cases[] = {{"Error", 0x10}, {"quest", 0x20}, {"WARNING", 0x30}, {"Info", 0x40},
                          {"questions", 0}, {"", 0},      {"warn", 0}};
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
        {kMbYesNo | kMbSystemModal, QMessageBox::No, kIdNo},
        {kMbYesNoCancel, QMessageBox::Yes, kIdYes},
        {kMbOkCancel, QMessageBox::Cancel, kIdCancel},
        {kMbOk, QMessageBox::Ok, kIdOk},
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
        {10, 0, "vista", true}, {10, 0, "2k", true}, {5, 1, "XP", true},   {5, 0, "XP", false},
        {5, 0, "2k", true},     {4, 10, "2K", false}, {4, 10, "98", true}, {4, 0, "98", false},
        {5, 0, "Vista", false}, {6, 0, "vista", true}, {1, 0, "nt", true}, {1, 0, "", true},
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

class Folders : public FoundationFixture {
protected:
    // As the program does at its start: the delete lets the event loop run between folders.
    Folders() { InstallFolderTreeEventHook(); }
    std::string root() const { return app() + "/work"; }
};

TEST_F(Folders, CopyFileToGivesTheFolderOneSeparator) {
    WriteFile(root() + "/source.ini", "s");
    struct Case {
        std::string folder;
        std::string expected;
    };
    const Case cases[] = {
        {root() + "/a/", root() + "/a/copy.ini"},
        {root() + "/b", root() + "/b/copy.ini"},
        {root() + "/c\\\\", root() + "/c/copy.ini"},
        {root() + "/d/e\\", root() + "/d/e/copy.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_TRUE(CopyFileTo(root() + "/source.ini", c.folder, "copy.ini", false));
        EXPECT_EQ(ReadFile(c.expected), "s");
    }
    EXPECT_EQ(WithTrailingSeparator("x/"), "x/");
    EXPECT_EQ(WithTrailingSeparator("x"), "x\\");
    EXPECT_EQ(WithTrailingSeparator("x/\\"), "x/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
    EXPECT_TRUE(errors.empty());
}

TEST_F(Folders, CopyFileToAnswersOnlyForACompleteCopy) {
    WriteFile(root() + "/source.ini", "new");
    WriteFile(root() + "/to/kept.ini", "old");
    EXPECT_TRUE(CopyFileTo(root() + "/source.ini", root() + "/to", "kept.ini", true));
    EXPECT_EQ(ReadFile(root() + "/to/kept.ini"), "old") << "FailIfExists keeps the target";
    EXPECT_TRUE(CopyFileTo(root() + "/source.ini", root() + "/to", "kept.ini", false));
    EXPECT_EQ(ReadFile(root() + "/to/kept.ini"), "new");

    // A missing source is no copy, even where an old target exists.
    EXPECT_FALSE(CopyFileTo(root() + "/missing.ini", root() + "/to", "kept.ini", false));
    EXPECT_EQ(ReadFile(root() + "/to/kept.ini"), "new");
    EXPECT_TRUE(errors.empty());
    // No folder to copy to is a failure, reported.
    EXPECT_FALSE(CopyFileTo(root() + "/source.ini", "", "x.ini", false));
    EXPECT_EQ(errors, std::vector<std::string>{"UP.008-01"});
}

TEST_F(Folders, CopyDirectoryCopiesSubFoldersAndLinksAsLinks) {
    WriteFile(root() + "/from/a.ini", "a");
    WriteFile(root() + "/from/sub/deeper/b.ini", "b");
    WriteFile(root() + "/outside/secret", "s");
    ASSERT_EQ(symlink((root() + "/outside").c_str(), (root() + "/from/link").c_str()), 0);

    EXPECT_TRUE(CopyDirectory(root() + "/from", root() + "/to", false));
    EXPECT_EQ(ReadFile(root() + "/to/a.ini"), "a");
    EXPECT_EQ(ReadFile(root() + "/to/sub/deeper/b.ini"), "b");
    struct stat st {};
    ASSERT_EQ(lstat((root() + "/to/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_FALSE(CopyDirectory(root() + "/missing", root() + "/to2", false));
    // Into a folder of its own tree: refused, not copied on until the path is too long.
    EXPECT_FALSE(CopyDirectory(root() + "/from", root() + "/from/sub/inner", false));
    EXPECT_FALSE(FileExists(root() + "/from/sub/inner/sub"));
}

TEST_F(Folders, DeleteDirectoryRemovesTheTreeButNothingOutsideIt) {
    const std::string tree = root() + "/tree";
    WriteFile(tree + "/readonly.ini", "r");
    ASSERT_EQ(chmod((tree + "/readonly.ini").c_str(), 0444), 0);
    WriteFile(tree + "/.hidden", "h");
    WriteFile(tree + "/sub/deeper/file", "f");
    WriteFile(tree + "/locked/file", "f");
    ASSERT_EQ(chmod((tree + "/locked").c_str(), 0555), 0);
    WriteFile(root() + "/outside/keep.ini", "k");
    ASSERT_EQ(symlink((root() + "/outside").c_str(), (tree + "/sub/link").c_str()), 0);
    ASSERT_EQ(symlink((root() + "/outside/keep.ini").c_str(), (tree + "/filelink").c_str()), 0);

    int ticks = 0;
    QTimer::singleShot(0, [&] { ++ticks; });
    DeleteDirectory(tree + "\\");
    EXPECT_FALSE(FileExists(tree));
    EXPECT_EQ(ReadFile(root() + "/outside/keep.ini"), "k");
    EXPECT_EQ(ticks, 1) << "the event loop runs before each sub-folder";
    EXPECT_TRUE(errors.empty());

    // A link given as the folder: the link goes, its target stays.
    ASSERT_EQ(symlink((root() + "/outside").c_str(), (root() + "/folderlink").c_str()), 0);
    DeleteDirectory(root() + "/folderlink");
    EXPECT_FALSE(FileExists(root() + "/folderlink"));
    EXPECT_EQ(ReadFile(root() + "/outside/keep.ini"), "k");
    // A plain file is no folder: it stays.
    DeleteDirectory(root() + "/outside/keep.ini");
    EXPECT_EQ(ReadFile(root() + "/outside/keep.ini"), "k");
}

TEST_F(Folders, DeleteDirectoryRefusesPathsThatNameNoTreeOfItsOwn) {
    WriteFile(root() + "/x/keep", "k");
    const std::string refused[] = {"", "/", "\\", "//", "/./", "relative/x", root() + "/x/../x", root() + "/x/.."};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        errors.clear();
        DeleteDirectory(path);
        EXPECT_EQ(errors, std::vector<std::string>{"UP.008-04"});
    }
    EXPECT_EQ(ReadFile(root() + "/x/keep"), "k");
    errors.clear();
    DeleteDirectory(root() + "/missing");
    EXPECT_TRUE(errors.empty()) << "a folder that is not there is no failure";
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
