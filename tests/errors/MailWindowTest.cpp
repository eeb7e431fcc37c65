// The report and review mail driven through the error window's components, against a real SMTPS
// server on 127.0.0.1: what arrives, which account sends it, which box is shown, what happens to
// the error log.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <regex>

#include "errors/ErrorProcessor.h"
#include "errors/MailSender.h"
#include "errors/ReportMail.h"
#include "errors/UFormError.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
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
        MustSetFilesInAppData = false;
        UseAppData = false;
        saved_ = {ProductName, VersionTag, AuthorAddress, ExternalErrorLogPath, ErrorDump};
        savedFlags_ = {ErrorOccurred, ReporterMode};
        ProductName = "KV.Kestrune";
        VersionTag = "1.0.3";
        AuthorAddress = "author@example.org";
        ExternalErrorLogPath.clear();
        ErrorDump.clear();
        ErrorOccurred = true;
        ReporterMode = false;
        SetMailSystemRowsSource([] { return kRows; });
        SetMailTimeLimitsForTesting({2000, 5000});
        ErrorWindowOpen = false;
        PageChangeAllowed = false;
    }
    void TearDown() override {
        SetMailTimeLimitsForTesting({});
        SetMailSystemRowsSource({});
        platform::SetExecutablePathForTesting("");
        ProductName = saved_[0];
        VersionTag = saved_[1];
        AuthorAddress = saved_[2];
        ExternalErrorLogPath = saved_[3];
        ErrorDump = saved_[4];
        ErrorOccurred = savedFlags_[0];
        ReporterMode = savedFlags_[1];
        ErrorWindowOpen = false;
    }

    void WriteSettings(const AccountConfig& first, const AccountConfig& second, const std::string& caBundle) {
        std::string text = "; test accounts\n";
        const AccountConfig* accounts[] = {&first, &second};
        for (int i = 0; i < 2; ++i) {
            if (!accounts[i]->port) continue;
            text += "[Account" + std::to_string(i + 1) + "]\nHost=127.0.0.1\nPort=" + std::to_string(accounts[i]->port) +
                    "\nUser=" + accounts[i]->user + "\nPassword=" + accounts[i]->password + "\nSender=" +
                    accounts[i]->user + "@sender.example\n";
        }
        text += "[TLS]\nCABundle=" + caBundle + "\n";
        testsupport::WriteFile(app_ / "Resource/Mail.ini", text);
    }
    void WriteSettings(const SmtpsServer& server) {
        WriteSettings({server.port(), "first", "first-pass"}, {server.port(), "second", "second-pass"}, server.caFile());
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
    std::vector<std::string> saved_;
    std::vector<bool> savedFlags_;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

TEST_F(MailWindowTest, ReportArrivesWithExactBodyAndHeaders) {
    SmtpsServer server;
    WriteSettings(server);
    WriteLog("=================================================\r\n.line that begins with a dot\r\n"
             "Ошибка в работе: äöü = 100%\r\n..\r\n.\r\n");
    ErrorWindow w;
    w.edit(1)->setText(QString::fromUtf8("Вася"));
    w.edit(2)->setText("vasya@example.org");
    w.memo3()->setPlainText(QString::fromUtf8("Шаг первый\n.второй с точкой"));

    SendReportFromWindow(w.window);

    const std::vector<std::string> body = {
        "=================================================", ".line that begins with a dot",
        "Ошибка в работе: äöü = 100%", "..", ".",
        "=================================================", "NickName: Вася", "E-Mail: vasya@example.org", "",
        "Text: ", "Шаг первый", ".второй с точкой"};
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
    EXPECT_TRUE(std::regex_match(mail.Header("Date"),
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
                      "=================================================", "NickName: Nick",
                      "E-Mail: nick@example.org", "Text: ", "Хорошая программа"}));
    EXPECT_EQ(mail.Header("Subject"), "Review");
    // "Кестрюн 1.0.3" as an encoded word.
    EXPECT_EQ(mail.Header("From"), "=?UTF-8?B?0JrQtdGB0YLRgNGO0L0gMS4wLjM=?= <first@sender.example>");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Отзыв о программе отправлен, спасибо за сотрудничество.");
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
    const Case cases[] = {
        {"both logins refused", MailKind::Report, {server.port(), "first", "bad"}, {server.port(), "second", "bad"},
         "Ошибка при попытке отправки отчета."},
        {"closed port, then a silent server", MailKind::Review, {mailtest::ClosedPort(), "first", "first-pass"},
         {silent.port(), "second", "second-pass"}, "Ошибка при попытке отправки отзыва, попробуйте повторить позже."},
    };
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

// Addresses and the sender's name come from the command line: a line break in one of them must
// not become an SMTP command or a header, and without a settings file nothing is sent either.
TEST_F(MailWindowTest, RefusedSendsReachNoServer) {
    SmtpsServer server;
    struct Case {
        const char* name;
        std::string author, product;
        bool settings;
    };
    const Case cases[] = {
        {"recipient with an injected command", "author@example.org>\r\nRCPT TO:<evil@attacker.example", "KV.Kestrune",
         true},
        {"recipient with a bare LF", "author@example.org\nBcc: evil@attacker.example", "KV.Kestrune", true},
        {"product name with an injected header", "author@example.org", "KV.Kestrune\r\nBcc: evil@attacker.example",
         true},
        {"no settings file", "author@example.org", "KV.Kestrune", false},
    };
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
