// Whole starts of the program in this process for the feedback page (mode 2) and the report page
// for a calling program (mode 3), each mailing to a real SMTPS server on 127.0.0.1, and a start
// whose settings cannot be written at its end.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <regex>

#include "errors/ErrorProcessor.h"
#include "errors/MailSender.h"
#include "language/LangProcessor.h"
#include "tests/errors/ErrorFixture.h"
#include "tests/errors/MailTestServer.h"
#include "tests/host/HostTestSupport.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using mailtest::ParseMail;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

class ErrorWindowStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSystemFactsForTesting(errortest::FixedFacts());
        platform::SetTickCountForTesting([] { return std::uint32_t{5000}; });
        platform::SetLocalTimeForTesting(errortest::FixedLocalTime);
        SetMailTimeLimitsForTesting({5000, 10000});
    }
    void TearDown() override {
        SetMailTimeLimitsForTesting({});
        SetErrorWindowRunnerForTesting({});
        platform::SetSystemFactsForTesting(std::nullopt);
        platform::SetTickCountForTesting({});
        platform::SetLocalTimeForTesting({});
    }
    void WriteMailSettings(const mailtest::SmtpsServer& server) {
        testsupport::WriteFile(program_.app() + "/Resource/Mail.ini",
                               "[Account1]\nHost=127.0.0.1\nPort=" + std::to_string(server.port()) +
                                   "\nUser=first\nPassword=first-pass\nSender=first@sender.example\n[TLS]\nCABundle=" +
                                   server.caFile() + "\n");
    }
    static std::vector<std::string> SystemRows(const std::string& program) {
        std::vector<std::string> rows = {"05/03/2027 [07:04:09]", "Program = " + program};
        for (const std::string& line : errortest::FixedSystemInfoLines()) rows.push_back(line);
        return rows;
    }
    static void ExpectStandardHeaders(const mailtest::ParsedMail& mail) {
        EXPECT_EQ(mail.Header("MIME-Version"), "1.0");
        EXPECT_EQ(mail.Header("Content-Type"), "text/plain; charset=UTF-8");
        EXPECT_EQ(mail.Header("Content-Transfer-Encoding"), "quoted-printable");
        EXPECT_TRUE(
            std::regex_match(mail.Header("Date"), std::regex(R"(\w{3}, \d\d \w{3} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")))
            << mail.Header("Date");
        EXPECT_TRUE(std::regex_match(mail.Header("Message-ID"), std::regex(R"(<[0-9a-f]{32}@sender\.example>)")));
    }

    hosttest::ScratchProgram program_;
};

TEST_F(ErrorWindowStartTest, ModeThreeMailsTheCallersLogReadable) {
    mailtest::SmtpsServer server;
    WriteMailSettings(server);
    const std::string callerLog = program_.home().root() + "/caller.log";
    // "Ошибка в модуле" and "конец" as a calling program on Windows writes them: Windows-1251.
    testsupport::WriteFile(callerLog,
                           "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xEC\xEE\xE4\xF3\xEB\xE5\r\n\xEA\xEE\xED\xE5\xF6\r\n");
    bool iconShown = false;
    program_.WhenModal("UFormError", [&](QWidget* window) {
        const QPixmap icon = window->findChild<QLabel*>("Image1")->pixmap();
        iconShown = !icon.isNull() && icon.toImage().pixelColor(icon.width() / 2, icon.height() / 2).alpha() > 0;
        window->findChild<QLineEdit*>("LabeledEdit1")->setText(QString::fromUtf8("Вася"));
        window->findChild<QLineEdit*>("LabeledEdit2")->setText("vasya@example.org");
        window->findChild<QPlainTextEdit*>("Memo3")->setPlainText(QString::fromUtf8("Нажал кнопку"));
        window->findChild<QPushButton*>("Button5")->click();
    });

    EXPECT_EQ(program_.Start({"3", "Caller", "2.5", "English", "", "x", callerLog}), 0);

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].user, "first");
    EXPECT_EQ(mails[0].from, "first@sender.example");
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"kestrune@example.org"});  // the developer, not P6
    const auto mail = ParseMail(mails[0].data);
    EXPECT_EQ(mail.Header("From"), "\"Caller 2.5\" <first@sender.example>");
    EXPECT_EQ(mail.Header("To"), "<kestrune@example.org>");
    EXPECT_EQ(mail.Header("Subject"), "Error log");
    ExpectStandardHeaders(mail);
    std::vector<std::string> body = {"Ошибка в модуле", "конец", std::string(49, '='), "Error log"};
    for (const std::string& row : SystemRows("Caller 2.5 [English]")) body.push_back(row);
    for (const char* line : {"=================================================", "NickName: Вася",
                             "E-Mail: vasya@example.org", "", "Text: ", "Нажал кнопку"})
        body.emplace_back(line);
    EXPECT_EQ(mailtest::DecodeQuotedPrintable(mail.body), Joined(body));

    EXPECT_TRUE(iconShown) << "the program's icon in the window";
    ASSERT_EQ(program_.boxes().size(), 1u);
    EXPECT_EQ(program_.boxes()[0].text, "The error report has been sent, thank you for your help.");
    EXPECT_EQ(program_.boxes()[0].caption, "Information...");
    EXPECT_EQ(program_.boxes()[0].extras.buttonTexts, std::vector<std::string>{"OK"});
    EXPECT_TRUE(fs::exists(callerLog));
}

TEST_F(ErrorWindowStartTest, ModeTwoMailsTheReview) {
    mailtest::SmtpsServer server;
    WriteMailSettings(server);
    program_.WhenModal("UFormError", [&](QWidget* window) {
        window->findChild<QLineEdit*>("LabeledEdit3")->setText("Nick");
        window->findChild<QLineEdit*>("LabeledEdit4")->setText("nick@example.org");
        window->findChild<QPlainTextEdit*>("Memo4")->setPlainText(QString::fromUtf8("Хорошая\nпрограмма"));
        window->findChild<QPushButton*>("Button6")->click();
    });

    EXPECT_EQ(program_.Start({"2", "Caller", "2.5", "Russian", "", "author@example.org"}), 0);

    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"author@example.org"});
    const auto mail = ParseMail(mails[0].data);
    EXPECT_EQ(mail.Header("From"), "\"Caller 2.5\" <first@sender.example>");
    EXPECT_EQ(mail.Header("To"), "<author@example.org>");
    EXPECT_EQ(mail.Header("Subject"), "Review");
    ExpectStandardHeaders(mail);
    std::vector<std::string> body = {std::string(49, '='), "REVIEW"};
    for (const std::string& row : SystemRows("Caller 2.5 [Russian]")) body.push_back(row);
    for (const char* line : {"=================================================", "NickName: Nick",
                             "E-Mail: nick@example.org", "Text: ", "Хорошая", "программа"})
        body.emplace_back(line);
    EXPECT_EQ(mailtest::DecodeQuotedPrintable(mail.body), Joined(body));

    ASSERT_EQ(program_.boxes().size(), 1u);
    EXPECT_EQ(program_.boxes()[0].text, "Отзыв о программе отправлен, спасибо за сотрудничество.");
    EXPECT_EQ(program_.boxes()[0].extras.buttonTexts, std::vector<std::string>{"ОК"});
}

// Settings that cannot be written at the end of a run fail twice in one chain (the file is not
// made, then it cannot be closed): both are logged, one window is shown.
TEST_F(ErrorWindowStartTest, SettingsThatCannotBeWrittenAtTheEndShowOneWindow) {
    fs::create_directories(program_.app() + "/Settings/Kestrune.ini/blocked");
    std::vector<std::string> shown;
    SetErrorWindowRunnerForTesting([&](QDialog& window) {
        shown.push_back(window.findChild<QLabel*>("Panel2")->text().toStdString());
        window.close();
    });

    EXPECT_EQ(program_.Start({"0", "Prog", "2.0", "English"}), 0);

    const std::string log = testsupport::ReadFile(program_.app() + "/ErrorLog/Error.Log");
    std::size_t entries = 0;
    for (std::size_t at = log.find("Adress = "); at != std::string::npos; at = log.find("Adress = ", at + 1)) ++entries;
    EXPECT_GE(entries, 2u) << log;
    ASSERT_EQ(shown.size(), 1u) << log;
    EXPECT_NE(shown[0].find("URG.003-01"), std::string::npos) << shown[0];
}

}  // namespace
}  // namespace kestrune
