// Developer messages: the agent fetches both pages in list mode, a later start shows the page once
// and keeps it until it is silenced, and no bad page is ever shown or taken over; with the real
// agent against the loopback HTTP server, in both settings modes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include "checks/UMessageForm.h"
#include "checks/UMessages.h"
#include "language/LangProcessor.h"
#include "tests/checks/CheckFixture.h"

namespace {

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kRussianPage = "<html><body><p>Вышла новая версия</p></body></html>";
const std::string kEnglishPage = "<html><body><p>A new version is out</p></body></html>";

struct Shown {
    int windows = 0;
    QString caption;
    QString page;
};

class MessagesTest : public checktest::CheckFixture {
protected:
    void SetUp() override {
        CheckFixture::SetUp();
        CurrentLanguage = "Russian";
        CommandLineLanguage = "Russian";
        CallingProgramName = "Prog";
        SuppressCheckWindows = false;
        MessagesUrl = server_->Url();
    }
    void TearDown() override {
        CheckFixture::TearDown();
        MessagesUrl.clear();
        CommandLineLanguage.clear();
    }
    void Publish(const std::string& mark, const std::string& russian, const std::string& english) {
        Serve("Messages_LastEdit.txt", mark);
        Serve("MessagesEng_LastEdit.txt", mark);
        Serve("Messages.txt", russian);
        Serve("MessagesEng.txt", english);
    }
    // The fetch of a start: the check (when due) and both agent runs to their end.
    void Fetch() {
        TUFormUMessage::LaunchCheckUAC();
        WaitForAgents();
    }
    // The showing of a start; an open window is closed with the given button.
    Shown Show(const char* button = "Button2") {
        Shown shown;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto* form = qobject_cast<TUFormUMessage*>(QApplication::activeModalWidget())) {
                ++shown.windows;
                shown.caption = form->findChild<QLabel*>("Panel1")->text();
                shown.page = form->findChild<QTextBrowser*>("NTCWebBrowser1")->toPlainText();
                form->findChild<QPushButton*>(button)->click();
            }
        });
        watcher.start(10);
        TUFormUMessage::CheckNewFile();
        return shown;
    }
    // The next start finds the check due again.
    void MakeDue() { platform::RemoveFile(settings("Messages_LastCheck.ini")); }
};

// A published page is fetched once, shown at the next start and at every start after it until the
// user silences it; an unchanged mark fetches no page; a new page is shown again even after the
// old one was silenced.
TEST_P(MessagesTest, APageIsShownUntilSilencedAndANewOneAgain) {
    Publish("1", kRussianPage, kEnglishPage);
    EXPECT_EQ(Show().windows, 0) << "nothing fetched yet";
    Fetch();
    EXPECT_EQ(Fetched("Messages.txt"), 1);
    EXPECT_EQ(Fetched("MessagesEng.txt"), 1);

    Shown first = Show("Button2");  // remind later
    EXPECT_EQ(first.windows, 1);
    EXPECT_EQ(first.caption, QString::fromUtf8("Сообщение от разработчиков Prog"));
    EXPECT_EQ(first.page, QString::fromUtf8("Вышла новая версия"));
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html")));
    EXPECT_FALSE(FileExists(settings("Messages.ini"))) << "taken over";

    MakeDue();
    Fetch();
    EXPECT_EQ(Fetched("Messages.txt"), 1) << "an unchanged mark fetches no page";
    EXPECT_EQ(Show("Button1").windows, 1) << "reminded later; now silenced";
    EXPECT_TRUE(FileExists(settings("Messages_CheckTrue")));
    EXPECT_EQ(Show().windows, 0);

    Publish("2", "<p>Второе сообщение</p>", "<p>Second message</p>");
    MakeDue();
    Fetch();
    CommandLineLanguage = "English";
    Shown second = Show("Button2");
    EXPECT_EQ(second.windows, 1) << "a new page is shown although the old one was silenced";
    EXPECT_EQ(second.page, "Second message");
    EXPECT_EQ(Show().windows, 1) << "and \"remind later\" reminds";
    EXPECT_TRUE(errorCodes.codes.empty());
}

// Pages that fail on their way store nothing and show nothing; the check is not due again at once.
TEST_P(MessagesTest, FailedFetchesStoreNothing) {
    for (const char* how : {"status 404", "truncate", "stall", "reset"}) {
        SCOPED_TRACE(how);
        Publish(how, kRussianPage, kEnglishPage);
        Serve("Messages.txt", kRussianPage, how);
        Serve("MessagesEng.txt", kEnglishPage, how);
        MakeDue();
        Fetch();
        EXPECT_FALSE(FileExists(settings("Messages.ini")));
        EXPECT_FALSE(FileExists(settings("MessagesEng.ini")));
        EXPECT_EQ(Show().windows, 0);
        EXPECT_FALSE(FileExists(settings("Messages_UAC.html")));
    }
    // Not due again within the interval: no agent runs, no request.
    server_->ClearLog();
    Fetch();
    EXPECT_TRUE(server_->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(BothSettingsModes, MessagesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

// What a fetched page may be: only a readable page with text is taken over and shown.
TEST_P(MessagesTest, OnlyAUsablePageIsTakenOver) {
    struct Case {
        const char* name;
        std::string bytes;
        bool shown;
        const char* text;
    };
    const std::vector<Case> cases{
        {"UTF-8", "<p>Привет</p>\r\n", true, "Привет"},
        {"Windows-1251", "<p>\xcf\xf0\xe8\xe2\xe5\xf2</p>\r\n", true, "Привет"},
        {"LF lines", "<p>one</p>\n<p>two</p>\n", true, "one\ntwo"},
        {"empty body", "\r\n", false, ""},
        {"blank", "  \r\n\r\n\r\n", false, ""},
        {"NUL bytes", std::string("<p>\0\0x</p>\r\n", 13), false, ""},
        {"UTF-16", std::string("\xff\xfe<\0p\0>\0", 8), false, ""},
        {"over the limit", std::string(kMessagePageLimit + 10, 'x') + "\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"Messages.ini", "Messages_UAC.html", "Messages_CheckTrue"})
            platform::RemoveFile(settings(name));
        WriteFile(settings("Messages.ini"), c.bytes);
        const Shown shown = Show();
        EXPECT_EQ(shown.windows, c.shown ? 1 : 0);
        if (c.shown) {
            EXPECT_EQ(shown.page.trimmed(), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(FileExists(settings("Messages_UAC.html")), c.shown) << "a bad page is never taken over";
        EXPECT_FALSE(FileExists(settings("Messages.ini")));
    }
    // A folder in the place of a fetched page is no page; a bad page leaves the current one alone.
    WriteFile(settings("Messages_UAC.html"), "<p>current</p>\r\n");
    platform::CreateDirectories(settings("Messages.ini"));
    WriteFile(settings("MessagesEng.ini"), std::string("\0", 1));
    const Shown shown = Show();
    EXPECT_EQ(shown.windows, 1);
    EXPECT_EQ(shown.page, "current");
}

// The page is markup from the network: nothing it names is loaded, a script is not shown, and a
// clicked link goes to the desktop's browser only through the opening rules.
TEST_P(MessagesTest, APageLoadsNothingAndLinksOpenThroughTheRules) {
    WriteFile(settings("Messages.ini"),
              "<html><body><script>alert(1)</script><p>News</p><img src=\"http://127.0.0.1:9/x.gif\">"
              "<img src=\"file:///etc/hostname\"><a href=\"https://example.org/news\">news</a>"
              "<a href=\"file:///bin/sh\">shell</a></body></html>\r\n");
    QTimer watcher;
    bool checked = false;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TUFormUMessage*>(QApplication::activeModalWidget());
        if (!form) return;
        auto* pane = form->findChild<QTextBrowser*>("NTCWebBrowser1");
        QTextDocument* document = pane->document();
        EXPECT_FALSE(document->toPlainText().contains("alert"));
        EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl("http://127.0.0.1:9/x.gif")).isValid());
        EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl("file:///etc/hostname")).isValid());
        form->NTCWebBrowser1BeforeNavigate2(QUrl("https://example.org/news"));
        form->NTCWebBrowser1BeforeNavigate2(QUrl("file:///bin/sh"));
        EXPECT_EQ(pane->toPlainText().left(4), "News") << "the pane keeps the message";
        checked = true;
        form->findChild<QPushButton*>("Button2")->click();
    });
    watcher.start(10);
    TUFormUMessage::CheckNewFile();
    EXPECT_TRUE(checked);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/news 0"});
}

// No window for an error report, nor for a language other than English or Russian; the fetched
// page is still taken over and shown at a later start.
TEST_P(MessagesTest, NoWindowWhenChecksAreSilentOrTheLanguageIsUnknown) {
    WriteFile(settings("Messages.ini"), kRussianPage + "\r\n");
    SuppressCheckWindows = true;
    EXPECT_EQ(Show().windows, 0);
    SuppressCheckWindows = false;
    CommandLineLanguage.clear();
    EXPECT_EQ(Show().windows, 0);
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html")));
    CommandLineLanguage = "Russian";
    EXPECT_EQ(Show().windows, 1);
    // Only the Russian page exists: an English window has nothing to show and does not open.
    CommandLineLanguage = "English";
    EXPECT_EQ(Show().windows, 0);
}

}  // namespace
