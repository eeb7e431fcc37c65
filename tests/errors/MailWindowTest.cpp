// The report and review mail driven through the error window's components, against a real SMTPS
// server on 127.0.0.1: what arrives, which account sends it, which box is shown, what happens to
// the error log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <thread>

#include "errors/ErrorProcessor.h"
#include "errors/MailCurl.h"
#include "errors/MailSender.h"
#include "errors/ReportMail.h"
#include "errors/UFormError.h"
#include "foundation/ModalWindows.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "language/pack/LanguagePack.h"
#include "platform/Clock.h"
#include "platform/Executable.h"
#include "tests/errors/MailTestServer.h"
#include "tests/support/TestSupport.h"

namespace kestrune {
namespace {

using mailtest::ParseMail;
using mailtest::SmtpsServer;
namespace fs = std::filesystem;

// The error window itself, reached by its component names.
struct ErrorWindow {
    TUFormError window;
    QLineEdit* edit(int n) { return window.findChild<QLineEdit*>(QString("LabeledEdit%1").arg(n)); }
    QPlainTextEdit* memo3() { return window.findChild<QPlainTextEdit*>("Memo3"); }
    QPlainTextEdit* memo4() { return window.findChild<QPlainTextEdit*>("Memo4"); }
    QTabWidget* pages() { return window.findChild<QTabWidget*>("PageControl1"); }
    QWidget* sendingPage() { return window.findChild<QWidget*>("NTCTabSheet4"); }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    QWidget* helpFrame() { return window.findChild<QWidget*>("UFrameHlpBtn1"); }
};

struct AccountConfig {
    int port = 0;  // 0: the section is left out
    std::string user;
    std::string password;
};

const MailSystemRows kRows{"08/12/2026 [23:46:16]",
                           {"Program = KV.Kestrune 1.0.3 [English]", "WinVersion = 6.1.7601", "User = tester",
                            "PC = BOX", "PC SysInfo:\r\n          ProcessorType: 586\r\nOS worked = 01:00:00"},
                           "Program worked = 00:00:05",
                           "=================================================\r\n Version \"01.00\""};

class MailWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(app_ / "Resource");
        platform::SetExecutablePathForTesting(app_ / "KV.Kestrune");
        ResetProgramValuesForTesting();
        ProductName = "KV.Kestrune";
        VersionTag = "1.0.3";
        AuthorAddress = "author@example.org";
        ErrorOccurred = true;
        SetMailSystemRowsSource([] { return kRows; });
        SetMailTimeLimitsForTesting({2000, 5000});
        // The windows speak the language of their layouts here, whatever ran before.
        CurrentLanguage = "Russian";
        LoadLanguage();
    }
    void TearDown() override {
        SetMailTimeLimitsForTesting({});
        SetMailSystemRowsSource({});
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }

    void WriteSettings(const AccountConfig& first, const AccountConfig& second, const std::string& caBundle) {
        std::string text = "; test accounts\n";
        const AccountConfig* accounts[] = {&first, &second};
        for (int i = 0; i < 2; ++i) {
            if (!accounts[i]->port) continue;
            text += "[Account" + std::to_string(i + 1) +
                    "]\nHost=127.0.0.1\nPort=" + std::to_string(accounts[i]->port) + "\nUser=" + accounts[i]->user +
                    "\nPassword=" + accounts[i]->password + "\nSender=" + accounts[i]->user + "@sender.example\n";
        }
        text += "[TLS]\nCABundle=" + caBundle + "\n";
        testsupport::WriteFile(app_ / "Resource/Mail.ini", text);
    }
    void WriteSettings(const SmtpsServer& server) {
        WriteSettings({server.port(), "first", "first-pass"}, {server.port(), "second", "second-pass"},
                      server.caFile());
    }

    std::string LogPath() const { return app_ / "ErrorLog/Error.Log"; }
    void WriteLog(const std::string& text) const { testsupport::WriteFile(LogPath(), text); }

    const std::vector<MessageBoxCall>& boxes() const { return recorder_->calls(); }
    void ClearBoxes() { recorder_.emplace(); }
    std::string BoxTexts() const {
        std::string all;
        for (const MessageBoxCall& box : boxes()) all += box.kind + ": " + box.text + " / " + box.caption + "\n";
        return all;
    }

    testsupport::IsolatedHome home_;
    testsupport::ScratchFolder app_;
    std::optional<MessageBoxRecorder> recorder_{std::in_place};
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

TEST_F(MailWindowTest, ReportArrivesWithExactBodyAndHeaders) {
    SmtpsServer server;
    WriteSettings(server);
    WriteLog(
        "=================================================\r\n.line that begins with a dot\r\n"
        "Ошибка в работе: äöü = 100%\r\n..\r\n.\r\n");
    ErrorWindow w;
    w.edit(1)->setText(QString::fromUtf8("Вася"));
    w.edit(2)->setText("vasya@example.org");
    w.memo3()->setPlainText(QString::fromUtf8("Шаг первый\n.второй с точкой"));

    SendReportFromWindow(w.window);

    const std::vector<std::string> body = {"=================================================",
                                           ".line that begins with a dot",
                                           "Ошибка в работе: äöü = 100%",
                                           "..",
                                           ".",
                                           "=================================================",
                                           "NickName: Вася",
                                           "E-Mail: vasya@example.org",
                                           "",
                                           "Text: ",
                                           "Шаг первый",
                                           ".второй с точкой"};
    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u) << BoxTexts();
    EXPECT_EQ(mails[0].user, "first");
    EXPECT_EQ(mails[0].from, "first@sender.example");
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"author@example.org"});

    const auto mail = ParseMail(mails[0].data);
    EXPECT_EQ(mailtest::DecodeQuotedPrintable(mail.body), Joined(body));
    EXPECT_EQ(mail.Header("From"), "\"KV.Kestrune 1.0.3\" <first@sender.example>");
    EXPECT_EQ(mail.Header("To"), "<author@example.org>");
    EXPECT_EQ(mail.Header("Subject"), "Error log");
    EXPECT_EQ(mail.Header("MIME-Version"), "1.0");
    EXPECT_EQ(mail.Header("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(mail.Header("Content-Transfer-Encoding"), "quoted-printable");
    EXPECT_TRUE(std::regex_match(
        mail.Header("Date"),
        std::regex(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")))
        << mail.Header("Date");
    EXPECT_TRUE(std::regex_match(mail.Header("Message-ID"), std::regex(R"(<[0-9a-f]{32}@sender\.example>)")))
        << mail.Header("Message-ID");
    // 7-bit clean, with short lines: nothing for a relay to mangle.
    for (unsigned char c : mails[0].data) ASSERT_LT(c, 0x80);
    std::size_t start = 0;
    for (std::size_t end; (end = mails[0].data.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 78u);

    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].owner, &w.window);
    EXPECT_EQ(boxes()[0].kind, "info");
    EXPECT_EQ(boxes()[0].text, "Отчет об ошибке отправлен, спасибо за сотрудничество.");
    EXPECT_EQ(boxes()[0].caption, "Информация...");
    EXPECT_EQ(boxes()[0].flags, kMbSystemModal | kMbIconInformation);
    EXPECT_EQ(boxes()[0].extras.buttonTexts, std::vector<std::string>{"ОК"});
    EXPECT_EQ(boxes()[0].extras.details, "");
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_FALSE(fs::exists(app_ / "ErrorLog"));
    // The window showed the sending page and cannot send a second time.
    EXPECT_EQ(w.pages()->currentWidget(), w.sendingPage());
    EXPECT_EQ(w.helpFrame()->y(), 350);
    EXPECT_FALSE(w.button("Button5")->isEnabled());
}

TEST_F(MailWindowTest, ReviewWithoutLogCarriesTheHeaderBlockAndNoBlankLine) {
    SmtpsServer server;
    WriteSettings(server);
    ErrorOccurred = false;
    ProductName = "Кестрюн";
    ErrorWindow w;
    w.edit(3)->setText("Nick");
    w.edit(4)->setText("nick@example.org");
    w.memo4()->setPlainText(QString::fromUtf8("Хорошая программа"));

    SendReviewFromWindow(w.window);

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u) << BoxTexts();
    const auto mail = ParseMail(mails[0].data);
    EXPECT_EQ(mailtest::DecodeQuotedPrintable(mail.body),
              Joined({"=================================================", "REVIEW", "08/12/2026 [23:46:16]",
                      "Program = KV.Kestrune 1.0.3 [English]", "WinVersion = 6.1.7601", "User = tester", "PC = BOX",
                      "PC SysInfo:", "          ProcessorType: 586", "OS worked = 01:00:00",
                      "=================================================", "NickName: Nick", "E-Mail: nick@example.org",
                      "Text: ", "Хорошая программа"}));
    EXPECT_EQ(mail.Header("Subject"), "Review");
    // "Кестрюн 1.0.3" as an encoded word.
    EXPECT_EQ(mail.Header("From"), "=?UTF-8?B?0JrQtdGB0YLRgNGO0L0gMS4wLjM=?= <first@sender.example>");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Отзыв о программе отправлен, спасибо за сотрудничество.");
}

// The Date header is the local clock's time, read through its seam.
TEST_F(MailWindowTest, TheDateHeaderReadsTheLocalClock) {
    SmtpsServer server;
    WriteSettings(server);
    platform::SetLocalTimeForTesting([] {
        std::tm time = testsupport::AsTm({2027, 3, 5, 7, 4, 9});
        time.tm_isdst = -1;  // whatever the test machine's zone says of that day
        return time;
    });
    const auto restoreClock = qScopeGuard([] { platform::SetLocalTimeForTesting({}); });
    ErrorWindow w;
    w.edit(3)->setText("Nick");
    w.edit(4)->setText("nick@example.org");
    w.memo4()->setPlainText("Fine");

    SendReviewFromWindow(w.window);

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u) << BoxTexts();
    const std::string date = ParseMail(mails[0].data).Header("Date");
    EXPECT_EQ(date.substr(0, 25), "Fri, 05 Mar 2027 07:04:09") << date;
}

// The second account takes over whenever the first fails, a failed connection included.
TEST_F(MailWindowTest, SecondAccountDeliversWhenTheFirstFails) {
    SmtpsServer server;
    struct Case {
        const char* name;
        AccountConfig first;
    };
    const Case cases[] = {
        {"first login refused", {server.port(), "first", "wrong-pass"}},
        {"first server cannot be reached", {mailtest::ClosedPort(), "first", "first-pass"}},
        {"first account not configured", {0, "", ""}},
    };
    std::size_t delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        WriteSettings(c.first, {server.port(), "second", "second-pass"}, server.caFile());
        WriteLog("old entry\r\n");
        ErrorWindow w;
        SendReportFromWindow(w.window);

        const auto mails = server.Received();
        ASSERT_EQ(mails.size(), ++delivered) << BoxTexts();
        EXPECT_EQ(mails.back().user, "second");
        EXPECT_EQ(ParseMail(mails.back().data).Header("From"), "\"KV.Kestrune 1.0.3\" <second@sender.example>");
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].kind, "info");
        EXPECT_FALSE(fs::exists(LogPath()));
    }
}

TEST_F(MailWindowTest, FailureShowsOneErrorBoxAndKeepsTheLog) {
    SmtpsServer server;
    mailtest::SilentListener silent;
    struct Case {
        const char* name;
        MailKind kind;
        AccountConfig first, second;
        std::string expectedText;
    };
    // clang-format off
    const Case cases[] = {
        {"both logins refused", MailKind::Report, {server.port(), "first", "bad"}, {server.port(), "second", "bad"},
         "Ошибка при попытке отправки отчета."},
        {"closed port, then a silent server", MailKind::Review, {mailtest::ClosedPort(), "first", "first-pass"},
         {silent.port(), "second", "second-pass"}, "Ошибка при попытке отправки отзыва, попробуйте повторить позже."},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        WriteSettings(c.first, c.second, server.caFile());
        WriteLog("entry to keep\r\n");
        ErrorWindow w;
        w.memo4()->setPlainText("text");
        if (c.kind == MailKind::Report) SendReportFromWindow(w.window);
        else SendReviewFromWindow(w.window);

        EXPECT_TRUE(server.Received().empty());
        ASSERT_EQ(boxes().size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes()[0].kind, "error");
        EXPECT_EQ(boxes()[0].text, c.expectedText);
        EXPECT_EQ(boxes()[0].caption, "Ошибка...");
        EXPECT_EQ(boxes()[0].flags, kMbSystemModal | kMbIconError);
        EXPECT_EQ(testsupport::ReadFile(LogPath()), "entry to keep\r\n");
    }
}

// Without libcurl (it is loaded only when a mail is sent) the Send fails like any failed send:
// one failure box naming the cause for each account, the log and the user's text kept.
TEST_F(MailWindowTest, WithoutTheMailLibraryTheSendFailsAndKeepsEverything) {
    struct ResetLibrary {
        ~ResetLibrary() { SetMailCurlLibraryForTesting(""); }
    } reset;
    SetMailCurlLibraryForTesting("libkestrune-no-such-curl.so.4");
    SmtpsServer server;
    WriteSettings(server);
    WriteLog("entry to keep\r\n");
    ErrorWindow w;
    w.memo4()->setPlainText("my text");
    testing::internal::CaptureStderr();
    SendReportFromWindow(w.window);
    const std::string err = testing::internal::GetCapturedStderr();

    ASSERT_EQ(boxes().size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes()[0].kind, "error");
    EXPECT_EQ(boxes()[0].text, "Ошибка при попытке отправки отчета.");
    const std::string port = std::to_string(server.port());
    for (const std::string account : {"[Account1]", "[Account2]"}) {
        // On stderr in English, in the box in the window's language (Russian here).
        const std::string where = account + " 127.0.0.1:" + port + ": ";
        EXPECT_NE(err.find(where + "the mail library could not be loaded"), std::string::npos) << err;
        EXPECT_NE(boxes()[0].extras.details.find(where + "не удалось загрузить почтовую библиотеку"), std::string::npos)
            << boxes()[0].extras.details;
    }
    EXPECT_EQ(boxes()[0].extras.details.find("no-such-curl"), std::string::npos) << "no library text is shown";
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(testsupport::ReadFile(LogPath()), "entry to keep\r\n");
    EXPECT_EQ(w.memo4()->toPlainText(), "my text");
}

// Addresses and the sender's name come from the command line: a line break in one of them must
// not become an SMTP command or a header, and without a settings file nothing is sent either.
TEST_F(MailWindowTest, RefusedSendsReachNoServer) {
    SmtpsServer server;
    struct Case {
        const char* name;
        std::string author, product;
        bool settings;
    };
    // clang-format off
    const Case cases[] = {
        {"recipient with an injected command", "author@example.org>\r\nRCPT TO:<evil@attacker.example", "KV.Kestrune",
         true},
        {"recipient with a bare LF", "author@example.org\nBcc: evil@attacker.example", "KV.Kestrune", true},
        {"product name with an injected header", "author@example.org", "KV.Kestrune\r\nBcc: evil@attacker.example",
         true},
        {"no settings file", "author@example.org", "KV.Kestrune", false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        AuthorAddress = c.author;
        ProductName = c.product;
        fs::remove(app_ / "Resource/Mail.ini");
        if (c.settings) WriteSettings(server);
        WriteLog("entry to keep\r\n");
        ErrorWindow w;
        SendReportFromWindow(w.window);

        ASSERT_EQ(boxes().size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes()[0].kind, "error");
        EXPECT_TRUE(fs::exists(LogPath()));
    }
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_TRUE(server.RecipientsOffered().empty());
}

TEST_F(MailWindowTest, AcceptedMessageIsNotSentAgainWhenTheConnectionBreaksAfterwards) {
    mailtest::ServerOptions options;
    options.dropAfterData = true;
    SmtpsServer server(options);
    WriteSettings(server);
    WriteLog("entry\r\n");
    ErrorWindow w;
    SendReportFromWindow(w.window);
    EXPECT_EQ(server.Received().size(), 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].kind, "info");
}

TEST_F(MailWindowTest, LogFolderStaysWhenItHoldsOtherFiles) {
    SmtpsServer server;
    WriteSettings(server);
    WriteLog("entry\r\n");
    testsupport::WriteFile(app_ / "ErrorLog/other.txt", "x");
    ErrorWindow w;
    w.memo4()->setPlainText("text");
    SendReviewFromWindow(w.window);
    ASSERT_EQ(server.Received().size(), 1u);
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_TRUE(fs::exists(app_ / "ErrorLog/other.txt"));
}

// A delivered mail deletes the error log only when the mail carried it.
TEST_F(MailWindowTest, LogIsDeletedOnlyWhenTheMailCarriedIt) {
    SmtpsServer server;
    WriteSettings(server);
    const std::string callerLog = app_ / "caller.log";
    struct Case {
        const char* name;
        MailKind kind;
        bool reporterMode;
        bool errorOccurred;
        bool logDeleted;
    };
    const Case cases[] = {
        {"report of this program's log", MailKind::Report, false, true, true},
        {"report for a calling program", MailKind::Report, true, true, false},
        {"review carrying the log", MailKind::Review, false, true, true},
        {"review without an error in this run", MailKind::Review, false, false, false},
    };
    std::size_t delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        ReporterMode = c.reporterMode;
        ErrorOccurred = c.errorOccurred;
        ExternalErrorLogPath = c.reporterMode ? callerLog : "";
        WriteLog("own entry\r\n");
        testsupport::WriteFile(callerLog, "caller entry\r\n");
        ErrorWindow w;
        w.memo4()->setPlainText("text");
        if (c.kind == MailKind::Report) SendReportFromWindow(w.window);
        else SendReviewFromWindow(w.window);

        const auto mails = server.Received();
        ASSERT_EQ(mails.size(), ++delivered) << BoxTexts();
        const std::string body = mailtest::DecodeQuotedPrintable(ParseMail(mails.back().data).body);
        EXPECT_EQ(body.find("own entry") != std::string::npos, c.logDeleted) << body;
        EXPECT_EQ(body.find("caller entry") != std::string::npos, c.reporterMode) << body;
        EXPECT_EQ(fs::exists(LogPath()), !c.logDeleted);
        EXPECT_TRUE(fs::exists(callerLog));
    }
}

TEST_F(MailWindowTest, SendingPageIsPaintedBeforeTheTransferAndSendsOnce) {
    SmtpsServer server;
    WriteSettings(server);
    ErrorWindow w;
    w.window.Button4Click();
    w.window.show();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    w.sendingPage()->installEventFilter(&counter);
    int paintsBeforeBox = -1;
    bool buttonEnabledAtBox = true;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxCall&) {
        paintsBeforeBox = counter.paints;  // nothing paints between the transfer and the box
        buttonEnabledAtBox = w.button("Button5")->isEnabled();
        return kIdOk;
    });

    QPushButton* send = w.button("Button5");
    QTest::mouseClick(send, Qt::LeftButton);
    QTest::mouseClick(send, Qt::LeftButton);  // a second press sends nothing

    SetMessageBoxHandler(previous);
    EXPECT_GT(paintsBeforeBox, 0);
    EXPECT_FALSE(buttonEnabledAtBox);
    EXPECT_EQ(server.Received().size(), 1u);
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The same mail through the real error window and its Send buttons.
TEST_F(MailWindowTest, RealErrorWindowMailsTheReportAndTheReview) {
    SmtpsServer server;
    WriteSettings(server);
    {
        WriteLog("entry of the real window\r\n");
        TUFormError window;
        window.findChild<QLineEdit*>("LabeledEdit1")->setText("Nick");
        window.findChild<QPlainTextEdit*>("Memo3")->setPlainText("what happened");
        window.Button4Click();
        window.Button5Click();
    }
    {
        ErrorOccurred = false;
        TUFormError window;
        window.ShowReviewLayout();
        window.findChild<QPlainTextEdit*>("Memo4")->setPlainText(QString::fromUtf8("отзыв"));
        window.Button6Click();
    }
    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 2u) << BoxTexts();
    const std::string report = mailtest::DecodeQuotedPrintable(ParseMail(mails[0].data).body);
    EXPECT_EQ(ParseMail(mails[0].data).Header("Subject"), "Error log");
    EXPECT_EQ(report.rfind("entry of the real window\r\n", 0), 0u) << report;
    EXPECT_NE(report.find("NickName: Nick\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Text: \r\nwhat happened\r\n"), std::string::npos) << report;
    EXPECT_EQ(ParseMail(mails[1].data).Header("Subject"), "Review");
    const std::string review = mailtest::DecodeQuotedPrintable(ParseMail(mails[1].data).body);
    EXPECT_NE(review.find("Text: \r\nотзыв\r\n"), std::string::npos) << review;
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].text, "Отчет об ошибке отправлен, спасибо за сотрудничество.");
    EXPECT_EQ(boxes()[1].text, "Отзыв о программе отправлен, спасибо за сотрудничество.");
    EXPECT_FALSE(fs::exists(LogPath()));
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The mail needs no widget: a window that is nothing but the three things the mail asks for.
struct PlainMailWindow : MailWindow {
    struct Result {
        MailKind kind;
        bool sent;
        std::vector<MailNote> details;
    };
    MailEntries report, review;
    std::function<void()> whenSendingShown;
    int sendingShown = 0;
    std::vector<Result> results;

    MailEntries Entries(MailKind kind) const override { return kind == MailKind::Report ? report : review; }
    void ShowSendingPage() override {
        ++sendingShown;
        if (whenSendingShown) whenSendingShown();
    }
    void ShowMailResult(MailKind kind, bool sent, const std::vector<MailNote>& details) override {
        results.push_back({kind, sent, details});
    }
};

// A calling program that writes its log in Windows-1251 gets its Russian text mailed readable.
TEST_F(MailWindowTest, CallersWindows1251LogArrivesReadable) {
    SmtpsServer server;
    WriteSettings(server);
    ReporterMode = true;
    ExternalErrorLogPath = app_ / "caller.log";
    // "Ошибка: файл не найден" and "Готово" in Windows-1251.
    testsupport::WriteFile(ExternalErrorLogPath,
                           "\xCE\xF8\xE8\xE1\xEA\xE0: \xF4\xE0\xE9\xEB \xED\xE5 "
                           "\xED\xE0\xE9\xE4\xE5\xED\r\n\xC3\xEE\xF2\xEE\xE2\xEE\r\n");
    PlainMailWindow window;
    window.report = {"Вася", "vasya@example.org", "текст"};
    bool connectedBeforeSendingPage = true;
    window.whenSendingShown = [&] { connectedBeforeSendingPage = server.Connections() > 0; };

    EXPECT_TRUE(SendReportFromWindow(window));

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u);
    const std::string body = mailtest::DecodeQuotedPrintable(ParseMail(mails[0].data).body);
    EXPECT_EQ(body.rfind("Ошибка: файл не найден\r\nГотово\r\n=================================================\r\n"
                         "Error log\r\n",
                         0),
              0u)
        << body;
    EXPECT_NE(body.find("NickName: Вася\r\nE-Mail: vasya@example.org\r\n\r\nText: \r\nтекст\r\n"), std::string::npos);
    EXPECT_EQ(window.sendingShown, 1);
    EXPECT_FALSE(connectedBeforeSendingPage);
    ASSERT_EQ(window.results.size(), 1u);
    EXPECT_TRUE(window.results[0].sent);
    EXPECT_EQ(window.results[0].kind, MailKind::Report);
    EXPECT_TRUE(boxes().empty());  // boxes are the window's business
}

// The calling program's name comes from its command line in Windows-1251 too: the From header and
// the "Program =" row of the program's own system rows carry it readable, as its log is.
TEST_F(MailWindowTest, CallersWindows1251NameArrivesReadable) {
    SmtpsServer server;
    WriteSettings(server);
    SetMailSystemRowsSource({});
    ReporterMode = true;
    ProductName = "\xCA\xE5\xF1\xF2\xF0\xFE\xED";  // "Кестрюн" in Windows-1251
    CurrentLanguage = "English";
    PlainMailWindow window;
    window.report = {"Nick", "nick@example.org", "text"};

    EXPECT_TRUE(SendReportFromWindow(window));

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u);
    const auto mail = ParseMail(mails[0].data);
    // "Кестрюн 1.0.3" as an encoded word of its UTF-8 text.
    EXPECT_EQ(mail.Header("From"), "=?UTF-8?B?0JrQtdGB0YLRgNGO0L0gMS4wLjM=?= <first@sender.example>");
    const std::string body = mailtest::DecodeQuotedPrintable(mail.body);
    EXPECT_NE(body.find("\r\nProgram = Кестрюн 1.0.3 [English]\r\n"), std::string::npos) << body;
    EXPECT_TRUE(langpack::IsValidUtf8(body)) << body;
    ASSERT_EQ(window.results.size(), 1u);
    EXPECT_TRUE(window.results[0].sent);
}

// No-break spaces, line and paragraph separators reach the mail as they were written.
TEST_F(MailWindowTest, TextsReachTheMailUnchanged) {
    SmtpsServer server;
    WriteSettings(server);
    const std::string nbsp = "\xC2\xA0", lineSep = "\xE2\x80\xA8", paraSep = "\xE2\x80\xA9";
    WriteLog("a" + nbsp + "b" + lineSep + "c" + paraSep + "d\r\n");
    ErrorWindow w;
    w.edit(1)->setText(QString::fromStdString("Ва" + nbsp + "ся"));
    w.edit(2)->setText("vasya@example.org");
    w.memo3()->setPlainText(QString::fromStdString("one" + nbsp + "two" + lineSep + "three\nfour"));
    w.window.Button4Click();
    w.window.Button5Click();

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u) << BoxTexts();
    EXPECT_EQ(
        mailtest::DecodeQuotedPrintable(ParseMail(mails[0].data).body),
        Joined({"a" + nbsp + "b" + lineSep + "c" + paraSep + "d", std::string(49, '='), "NickName: Ва" + nbsp + "ся",
                "E-Mail: vasya@example.org", "", "Text: ", "one" + nbsp + "two" + lineSep + "three", "four"}));
}

// Opens a pipe for writing when a reader still waits on it after a while, so that a read that
// blocks ends the test with a failure instead of hanging it.
class PipeRescuer {
public:
    explicit PipeRescuer(std::string path)
        : thread_([this, path = std::move(path)] {
              for (int i = 0; i < 100 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
              if (done_) return;
              const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0) {
                  rescued_ = true;
                  ::close(fd);
              }
          }) {}
    ~PipeRescuer() { Stop(); }
    bool Stop() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
        return rescued_;
    }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> rescued_{false};
    std::thread thread_;
};

// "Error.Log" replaced by a folder, a pipe or a huge file: every Send ends in its box at once.
TEST_F(MailWindowTest, AnErrorLogThatIsNoOrdinaryFileEndsInItsBox) {
    SmtpsServer server;
    WriteSettings(server);
    std::string overLong;
    for (int i = 0; overLong.size() < 150000; ++i)
        overLong += "entry line " + std::to_string(i) + std::string(60, '.') + "\r\n";
    enum class Log { Folder, Pipe, OverLong };
    struct Case {
        const char* name;
        Log log;
        MailKind kind;
        bool errorOccurred;
        bool sent;
    };
    const Case cases[] = {
        {"report, folder", Log::Folder, MailKind::Report, true, false},
        {"report, pipe", Log::Pipe, MailKind::Report, true, false},
        {"review after an error, folder", Log::Folder, MailKind::Review, true, false},
        {"review after an error, pipe", Log::Pipe, MailKind::Review, true, false},
        // Without an error in this run the log is not read at all.
        {"review without an error, pipe", Log::Pipe, MailKind::Review, false, true},
        {"report, over-long", Log::OverLong, MailKind::Report, true, true},
        {"review after an error, over-long", Log::OverLong, MailKind::Review, true, true},
    };
    std::size_t delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        fs::remove_all(app_ / "ErrorLog");
        fs::create_directories(app_ / "ErrorLog");
        if (c.log == Log::Folder) fs::create_directories(LogPath());
        if (c.log == Log::Pipe) {
            ASSERT_EQ(::mkfifo(LogPath().c_str(), 0600), 0);
        }
        if (c.log == Log::OverLong) WriteLog(overLong);
        ErrorOccurred = c.errorOccurred;
        ErrorWindow w;
        w.memo4()->setPlainText("text");
        PipeRescuer rescuer(LogPath());
        const bool mailed =
            c.kind == MailKind::Report ? SendReportFromWindow(w.window) : SendReviewFromWindow(w.window);
        EXPECT_FALSE(rescuer.Stop()) << "the Send waited on the pipe";

        EXPECT_EQ(mailed, c.sent);
        ASSERT_EQ(boxes().size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes()[0].kind, c.sent ? "info" : "error");
        if (!c.sent) {
            EXPECT_NE(boxes()[0].extras.details.find("Error.Log"), std::string::npos);
        }
        const auto mails = server.Received();
        ASSERT_EQ(mails.size(), delivered += c.sent ? 1 : 0);
        if (c.log == Log::OverLong) {
            // The newest entries, in whole lines, within the limit; the log stays for a later mail.
            const std::string body = mailtest::DecodeQuotedPrintable(ParseMail(mails.back().data).body);
            const std::string head = body.substr(0, body.find(std::string(49, '=')));
            EXPECT_EQ(head.rfind("entry line 0.", 0), 0u);
            EXPECT_LE(head.size(), kErrorLogMailLimit);
            EXPECT_GT(head.size(), kErrorLogMailLimit - 100);
            EXPECT_EQ(overLong.rfind(head, 0), 0u) << "whole lines from the start";
            EXPECT_EQ(testsupport::ReadFile(LogPath()), overLong);
        }
        if (c.log == Log::Pipe && c.sent) {
            const std::string body = mailtest::DecodeQuotedPrintable(ParseMail(mails.back().data).body);
            EXPECT_EQ(body.rfind(std::string(49, '=') + "\r\nNickName: ", 0), 0u) << body;
        }
        EXPECT_TRUE(fs::exists(LogPath()) || fs::is_fifo(LogPath()));
    }
}

// An account that cannot be used or fails is named, with its key, in the failure box and on stderr:
// on stderr in English, in the box in the window's language, the names and values as written.
TEST_F(MailWindowTest, WhatFailedIsNamedInTheBoxAndOnStderr) {
    SmtpsServer server;
    const std::string account2 = "[Account2]\n";
    const std::string good = "User=first\nPassword=first-pass\nSender=first@sender.example\n";
    const std::string port = "Port=" + std::to_string(server.port()) + "\n";
    struct Case {
        const char* name;
        std::optional<std::string> settings;
        std::vector<std::string> named;  // in English
        std::vector<std::string> shown;  // in Russian
    };
    const std::string login = "[Account1] 127.0.0.1:" + std::to_string(server.port()) + ": ";
    const std::string ca = "[TLS] CABundle: \"" + (app_ / "nowhere.pem") + "\" ";
    // clang-format off
    const Case cases[] = {
        {"no host", "[Account1]\n" + port + good, {"[Account1] Host: missing", "[Account2] is not configured"},
         {"[Account1] Host: не указан", "[Account2]: учётная запись не настроена"}},
        {"bad port", "[Account1]\nHost=127.0.0.1\nPort=46five\n" + good,
         {"[Account1] Port: \"46five\" is not a number from 1 to 65535"},
         {"[Account1] Port: \"46five\" не является числом от 1 до 65535"}},
        {"host with a blank", "[Account1]\nHost=127.0.0.1 x\n" + port + good, {"[Account1] Host: \"127.0.0.1 x\" is not"},
         {"[Account1] Host: \"127.0.0.1 x\" не является"}},
        // A control character of the file is shown as \xNN, never as itself.
        {"host with a control character", "[Account1]\nHost=127.0.0.1\x1b[2J\n" + port + good,
         {"[Account1] Host: \"127.0.0.1\\x1b[2J\" is not"}, {"[Account1] Host: \"127.0.0.1\\x1b[2J\" не является"}},
        {"sender with a control character", "[Account1]\nHost=127.0.0.1\n" + port +
             "User=first\nPassword=first-pass\nSender=first\x07\x9b@sender.example\n",
         {"[Account1] Sender: \"first\\x07\\x9b@sender.example\" is not a plain mail address"},
         {"[Account1] Sender: \"first\\x07\\x9b@sender.example\" не является простым почтовым адресом"}},
        {"missing CA file", "[Account1]\nHost=127.0.0.1\n" + port + good + "[TLS]\nCABundle=" + (app_ / "nowhere.pem") + "\n",
         {ca + "is no readable file"}, {ca + "не является файлом"}},
        {"no settings file", std::nullopt, {"no readable mail settings file", "Resource/Mail.ini"},
         {"нет файла настроек почты", "Resource/Mail.ini"}},
        {"login refused", "[Account1]\nHost=127.0.0.1\n" + port + "User=first\nPassword=bad\nSender=first@sender.example\n"
                              "[TLS]\nCABundle=" + server.caFile() + "\n",
         {login + "login refused"}, {login + "вход отклонён"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        for (const char* language : {"Russian", "English"}) {
            SCOPED_TRACE(std::string(c.name) + ", " + language);
            CurrentLanguage = language;
            ClearBoxes();
            fs::remove(app_ / "Resource/Mail.ini");
            if (c.settings) testsupport::WriteFile(app_ / "Resource/Mail.ini", *c.settings);
            ErrorWindow w;
            testing::internal::CaptureStderr();
            SendReportFromWindow(w.window);
            const std::string err = testing::internal::GetCapturedStderr();
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].kind, "error");
            const bool english = language == std::string("English");
            for (const std::string& shown : english ? c.named : c.shown)
                EXPECT_NE(boxes()[0].extras.details.find(shown), std::string::npos) << boxes()[0].extras.details;
            for (const std::string& named : c.named) EXPECT_NE(err.find(named), std::string::npos) << err;
            for (const char control : {'\x1b', '\x07'}) {
                EXPECT_EQ(err.find(control), std::string::npos) << err;
                EXPECT_EQ(boxes()[0].extras.details.find(control), std::string::npos) << boxes()[0].extras.details;
            }
            EXPECT_EQ(boxes()[0].extras.details.find("pass"), std::string::npos) << "no password is ever shown";
        }
    }
    CurrentLanguage.clear();
    EXPECT_TRUE(server.Received().empty());
}

// The example of the README, copied from it with this server's values put in, delivers.
TEST_F(MailWindowTest, TheReadmesExampleDelivers) {
    mailtest::ServerOptions options;
    options.users = "reports:secret";
    SmtpsServer server(options);
    const std::string readme = testsupport::ReadFile(testsupport::SourceDir() + "/README.md");
    const std::size_t section = readme.find("## Mail accounts");
    ASSERT_NE(section, std::string::npos);
    const std::size_t start = readme.find("```\n", section);
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = readme.find("```", start + 4);
    std::string example = readme.substr(start + 4, end - start - 4);
    const auto put = [&](const std::string& from, const std::string& to) {
        const std::size_t at = example.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        example.replace(at, from.size(), to);
    };
    put("smtp.example.org", "127.0.0.1");
    put("Port=465", "Port=" + std::to_string(server.port()));
    put("/path/to/ca.pem", server.caFile());
    ASSERT_NE(example.find(" ; "), std::string::npos) << "the example keeps its comments after values";
    testsupport::WriteFile(app_ / "Resource/Mail.ini", example);
    WriteLog("entry\r\n");

    ErrorWindow w;
    SendReportFromWindow(w.window);

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u) << BoxTexts();
    EXPECT_EQ(mails[0].user, "reports");
    EXPECT_EQ(mails[0].from, "reports@example.org");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].kind, "info");
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// A send that fails keeps what the user typed on screen, with its Send usable, and once the
// server is back the same text goes out. Driven through the real error window's buttons.
TEST_F(MailWindowTest, AFailedSendKeepsTheTextAndTheNextSendDelivers) {
    SmtpsServer server;
    enum class Page { Review, CallersReport, ReportFromTheErrorPage };
    struct Case {
        const char* name;
        Page page;
        const char* memo;
        const char* send;
        const char* subject;
    };
    const Case cases[] = {
        {"review", Page::Review, "Memo4", "Button6", "Review"},
        {"caller's report", Page::CallersReport, "Memo3", "Button5", "Error log"},
        {"report from the error page", Page::ReportFromTheErrorPage, "Memo3", "Button5", "Error log"},
    };
    std::size_t delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearBoxes();
        ReporterMode = c.page == Page::CallersReport;
        ErrorOccurred = c.page != Page::Review;
        WriteLog("entry\r\n");
        // Both servers are down.
        WriteSettings({mailtest::ClosedPort(), "first", "first-pass"},
                      {mailtest::ClosedPort(), "second", "second-pass"}, server.caFile());
        ErrorWindow w;
        if (c.page == Page::Review) w.window.ShowReviewLayout();
        if (c.page == Page::CallersReport) w.window.ShowReportLayout();
        w.window.show();
        if (c.page == Page::ReportFromTheErrorPage) QTest::mouseClick(w.button("Button4"), Qt::LeftButton);
        QPlainTextEdit* memo = w.window.findChild<QPlainTextEdit*>(c.memo);
        QTest::keyClicks(memo, "my text");
        memo->insertPlainText(QString::fromUtf8(", мой текст"));
        QTest::mouseClick(w.button(c.send), Qt::LeftButton);

        ASSERT_EQ(boxes().size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes()[0].kind, "error");
        EXPECT_TRUE(w.window.isVisible());
        if (c.page == Page::ReportFromTheErrorPage) {
            // Back where ignore and close program are; the report button leads to the text again.
            EXPECT_EQ(w.pages()->currentWidget()->objectName(), "NTCTabSheet1");
            ASSERT_TRUE(w.button("Button4")->isEnabled());
            QTest::mouseClick(w.button("Button4"), Qt::LeftButton);
        }
        EXPECT_EQ(memo->toPlainText(), QString::fromUtf8("my text, мой текст"));
        EXPECT_TRUE(memo->isVisible());
        ASSERT_TRUE(w.button(c.send)->isVisible());
        ASSERT_TRUE(w.button(c.send)->isEnabled());
        EXPECT_EQ(server.Received().size(), delivered);

        // The server is back: the same Send delivers the same text.
        WriteSettings(server);
        QTest::mouseClick(w.button(c.send), Qt::LeftButton);
        const auto mails = server.Received();
        ASSERT_EQ(mails.size(), ++delivered) << BoxTexts();
        EXPECT_EQ(ParseMail(mails.back().data).Header("Subject"), c.subject);
        const std::string body = mailtest::DecodeQuotedPrintable(ParseMail(mails.back().data).body);
        EXPECT_NE(body.find("Text: \r\nmy text, мой текст\r\n"), std::string::npos) << body;
        ASSERT_EQ(boxes().size(), 2u) << BoxTexts();
        EXPECT_EQ(boxes()[1].kind, "info");
    }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The error window whose user minimises it while the transfer holds the program's thread: the
// window system's news of it waits until the thread answers again.
class MinimisedWhileSending : public TUFormError {
public:
    void ShowSendingPage() override {
        TUFormError::ShowSendingPage();
        if (byWindowSystem) windowHandle()->setWindowStates(Qt::WindowMinimized);
        else showMinimized();
    }
    bool byWindowSystem = true;
};

// A window minimised while a mail that cannot go out is being sent (a server that accepts and
// never answers) is on screen again when the failure box shows, and stays so after it; what the
// user typed is there with its Send. The real box in the real modal loops.
TEST_F(MailWindowTest, AWindowMinimisedDuringTheSendIsShownAgain) {
    mailtest::SilentListener silent;
    WriteSettings({silent.port(), "first", "first-pass"}, {silent.port(), "second", "second-pass"}, "");
    recorder_.reset();  // the real box
    enum class Page { Review, CallersReport, ReportFromTheErrorPage };
    struct Case {
        const char* name;
        Page page;
        bool byWindowSystem;
        const char* memo;
        const char* send;
    };
    const Case cases[] = {
        {"review, minimised by the window system", Page::Review, true, "Memo4", "Button6"},
        {"review, minimised by the program", Page::Review, false, "Memo4", "Button6"},
        {"caller's report", Page::CallersReport, true, "Memo3", "Button5"},
        {"report from the error page", Page::ReportFromTheErrorPage, true, "Memo3", "Button5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReporterMode = c.page == Page::CallersReport;
        ErrorOccurred = c.page != Page::Review;
        MinimisedWhileSending window;
        window.byWindowSystem = c.byWindowSystem;
        if (c.page == Page::Review) window.ShowReviewLayout();
        if (c.page == Page::CallersReport) window.ShowReportLayout();
        const auto shownNormally = [&window] {
            return window.isVisible() && !(window.windowState() & Qt::WindowMinimized) &&
                   !(window.windowHandle()->windowStates() & Qt::WindowMinimized);
        };
        bool boxShown = false, normalUnderTheBox = false, normalAfterTheBox = false, textThere = false;
        // The box is closed once it is up, as its user would.
        QTimer boxes;
        boxes.setInterval(10);
        QObject::connect(&boxes, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || boxShown) return;
            boxShown = true;
            normalUnderTheBox = shownNormally();
            box->close();
        });
        boxes.start();
        QTimer::singleShot(0, &window, [&] {
            if (c.page == Page::ReportFromTheErrorPage) window.Button4Click();
            auto* memo = window.findChild<QPlainTextEdit*>(c.memo);
            QTest::keyClicks(memo, "typed before the send");
            QTest::mouseClick(window.findChild<QPushButton*>(c.send), Qt::LeftButton);
            normalAfterTheBox = QTest::qWaitFor(shownNormally, testsupport::kStateDeadlineMs);
            if (c.page == Page::ReportFromTheErrorPage) window.Button4Click();
            textThere = memo->isVisible() && memo->toPlainText() == "typed before the send" &&
                        window.findChild<QPushButton*>(c.send)->isEnabled();
            window.close();
        });
        ExecModal(window);
        EXPECT_TRUE(boxShown);
        EXPECT_TRUE(normalUnderTheBox);
        EXPECT_TRUE(normalAfterTheBox);
        EXPECT_TRUE(textThere);
    }
}

}  // namespace
}  // namespace kestrune
