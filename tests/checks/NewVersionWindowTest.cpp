// The new-version window on a table of descriptions: its fields, the size text, the download
// page (opened only when it is a web address), and a description whose size line is no number.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include "checks/CheckNewVersion.h"
#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"
#include "ui_UFormNewVerExists.h"

namespace {

using namespace kestrune;

class NewVersionWindow : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetExecutablePathForTesting(home_.root() + "/app/KV.Kestrune");
        testsupport::WriteFile(home_.root() + "/app/KV.Kestrune", "");
        ResetProgramValuesForTesting();
        FilePrefix = "Prog_1.0";
        CallingProgramVersion = "1.0";
        CallingProgramName = "Prog";
        CurrentLanguage = "Russian";
        previous_ = SetShellOpenHandlerForTesting(
            [this](const std::string& url, int show) { opened.push_back(url + " " + std::to_string(show)); });
    }
    void TearDown() override {
        SetShellOpenHandlerForTesting(std::move(previous_));
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    std::string description(const std::string& suffix = "") const {
        return home_.root() + "/app/Settings/Prog_1.0_CNVTrue" + suffix + ".txt";
    }

    std::vector<std::string> opened;
    kestrune::ErrorCodeRecorder errorCodes;

private:
    testsupport::IsolatedHome home_;
    ShellOpenHandler previous_;
};

TEST_F(NewVersionWindow, DescriptionsAndTheirDownloadPage) {
    struct Case {
        const char* what;
        std::string body;
        const char* version;
        const char* changes;
        const char* megabytes;  // inside the status bar's size text
        bool openable;
    } cases[] = {
        {"full", "2.0\r\n01.02.2026\r\nhttps://example.org/dl\r\n1126\r\nA\r\nB\r\n", "2.0", "A\nB", "1.09", true},
        {"four lines", "2.0\r\nd\r\nhttp://example.org/\r\n1023\r\n", "2.0", "", "0.99", true},
        {"LF lines", "2.0\nd\nhttp://example.org/\n0\nx\n\r\n", "2.0", "x", "0.00", true},
        {"a program as the page", "2.0\r\nd\r\n/usr/bin/xterm\r\n500\r\nA\r\n", "2.0", "A\n\n/usr/bin/xterm", "0.48",
         false},
        {"a file address", "2.0\r\nd\r\nfile:///etc/passwd\r\n500\r\n", "2.0", "\nfile:///etc/passwd", "0.48", false},
        {"no host", "2.0\r\nd\r\nhttp://\r\n500\r\n", "2.0", "\nhttp://", "0.48", false},
        {"Windows-1251", "2.0\r\nd\r\nhttp://h.org/\r\n2048\r\n\xc8\xe7\xec\xe5\xed\xe5\xed\xe8\xff\r\n", "2.0",
         "Изменения", "2.00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        opened.clear();
        testsupport::WriteFile(description(), c.body);
        TUFormNewVerExists window;
        EXPECT_EQ(window.windowTitle(), "Prog");
        EXPECT_EQ(window.ui()->Panel1->text().toStdString(), "Вышла новая версия программы Prog");
        EXPECT_EQ(window.ui()->NTCLabeledEdit1->text().toStdString(), c.version);
        EXPECT_EQ(window.ui()->NTCMemo1->toPlainText().toStdString(), c.changes);
        EXPECT_NE(window.ui()->StatusBar1->currentMessage().toStdString().find(c.megabytes), std::string::npos)
            << window.ui()->StatusBar1->currentMessage().toStdString();
        EXPECT_EQ(window.ui()->Button3->isEnabled(), c.openable);
        window.Button3Click();
        if (c.openable) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0].substr(opened[0].rfind(' ')), " 0") << "show command 0";
        } else {
            EXPECT_TRUE(opened.empty()) << opened[0];
        }
        EXPECT_FALSE(CloseNewVersionOnPaint);
    }
    EXPECT_TRUE(errorCodes.codes.empty());
}

// A size line that is no number: both descriptions go and the window closes at its first paint.
TEST_F(NewVersionWindow, SizeThatIsNoNumber) {
    for (const char* body :
         {"2.0\r\nd\r\nhttp://h.org/\r\nbig\r\n", "2.0\r\nd\r\n", "", "2.0\r\nd\r\nu\r\n99999999999\r\n"}) {
        SCOPED_TRACE(body);
        testsupport::WriteFile(description(), body);
        testsupport::WriteFile(description("Eng"), body);
        CurrentLanguage = "English";
        TUFormNewVerExists window;
        EXPECT_TRUE(CloseNewVersionOnPaint);
        EXPECT_FALSE(platform::FileAgeReadable(description()));
        EXPECT_FALSE(platform::FileAgeReadable(description("Eng")));
    }
}

// The language of the description: English and Russian follow the language, a missing English
// file falls back to the Russian one, and a third language offers the choice.
TEST_F(NewVersionWindow, DescriptionLanguage) {
    testsupport::WriteFile(description(), "2.0-ru\r\nd\r\nhttp://h.org/\r\n1\r\n");
    testsupport::WriteFile(description("Eng"), "2.0-en\r\nd\r\nhttp://h.org/\r\n1\r\n");
    const struct {
        const char* language;
        bool englishByDefault;
        const char* version;
        bool choice;
    } cases[] = {{"Russian", true, "2.0-ru", false},
                 {"English", false, "2.0-en", false},
                 {"German", true, "2.0-en", true},
                 {"German", false, "2.0-ru", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.language) + (c.englishByDefault ? " english" : " russian"));
        CurrentLanguage = c.language;
        DefaultNewVersionLanguage = c.englishByDefault;
        TUFormNewVerExists window;
        EXPECT_EQ(window.ui()->NTCLabeledEdit1->text().toStdString(), c.version);
        EXPECT_EQ(window.ui()->NTCPanel->isVisibleTo(&window), c.choice);
    }
    platform::RemoveFile(description("Eng"));
    CurrentLanguage = "English";
    TUFormNewVerExists window;
    EXPECT_EQ(window.ui()->NTCLabeledEdit1->text().toStdString(), "2.0-ru");
}

}  // namespace
