// The SMTPS sender against a real server on 127.0.0.1: every way an attempt can end.
#include <gtest/gtest.h>

#include "errors/MailCurl.h"
#include "errors/MailSender.h"
#include "tests/errors/MailTestServer.h"

namespace kestrune {
namespace {

using mailtest::SmtpsServer;

const std::string kMessage = "Subject: test\r\n\r\n.first line begins with a dot\r\nsecond\r\n";

MailAccount Account(int port, const std::string& user, const std::string& password) {
    MailAccount account;
    account.host = "127.0.0.1";
    account.port = port;
    account.user = user;
    account.password = password;
    account.sender = user + "@sender.example";
    return account;
}

class MailSenderTest : public ::testing::Test {
protected:
    void SetUp() override { SetMailTimeLimitsForTesting({2000, 5000}); }
    void TearDown() override { SetMailTimeLimitsForTesting({}); }
};

TEST_F(MailSenderTest, DeliversOverTrustedTlsWithLogin) {
    SmtpsServer server;
    const MailAttempt attempt =
        SmtpsSender(server.caFile())
            .Send(Account(server.port(), "first", "first-pass"), "author@example.org", kMessage);
    ASSERT_EQ(attempt.outcome, MailOutcome::Delivered) << attempt.detail;
    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].user, "first");
    EXPECT_EQ(mails[0].from, "first@sender.example");
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"author@example.org"});
    EXPECT_EQ(mails[0].data, kMessage);
}

TEST_F(MailSenderTest, FailedAttemptsNameTheirCause) {
    struct Case {
        const char* name;
        mailtest::ServerOptions options;
        bool trustServer;
        const char* password;
        const char* recipient;
        MailOutcome expected;
    };
    mailtest::ServerOptions refusing;
    refusing.refuseRecipient = "nobody@example.org";
    mailtest::ServerOptions otherName;
    otherName.certificateName = "mail.other.example";
    const Case cases[] = {
        {"wrong password", {}, true, "wrong", "author@example.org", MailOutcome::LoginRefused},
        {"certificate not trusted", {}, false, "first-pass", "author@example.org", MailOutcome::TlsFailed},
        {"certificate for another host", otherName, true, "first-pass", "author@example.org", MailOutcome::TlsFailed},
        {"recipient refused", refusing, true, "first-pass", "nobody@example.org", MailOutcome::RecipientRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmtpsServer server(c.options);
        // An empty bundle trusts only the system's store, which does not know the test certificate.
        const SmtpsSender sender(c.trustServer ? server.caFile() : std::string());
        const MailAttempt attempt = sender.Send(Account(server.port(), "first", c.password), c.recipient, kMessage);
        EXPECT_EQ(attempt.outcome, c.expected) << MailOutcomeName(attempt.outcome) << ": " << attempt.detail;
        EXPECT_TRUE(server.Received().empty());
    }
}

TEST_F(MailSenderTest, ClosedPortAndSilentListenerEndAsFailures) {
    const MailAttempt closed =
        SmtpsSender().Send(Account(mailtest::ClosedPort(), "first", "x"), "a@example.org", kMessage);
    EXPECT_EQ(closed.outcome, MailOutcome::ConnectFailed) << closed.detail;

    mailtest::SilentListener silent;
    const MailAttempt stalled = SmtpsSender().Send(Account(silent.port(), "first", "x"), "a@example.org", kMessage);
    EXPECT_EQ(stalled.outcome, MailOutcome::TimedOut) << stalled.detail;
}

TEST_F(MailSenderTest, AddressWithLineBreakNeverReachesTheServer) {
    SmtpsServer server;
    const SmtpsSender sender(server.caFile());
    const MailAccount good = Account(server.port(), "first", "first-pass");
    MailAccount badSender = good;
    badSender.sender = "first@sender.example>\r\nRCPT TO:<evil@attacker.example";
    const struct {
        const char* name;
        MailAccount account;
        std::string recipient;
    } cases[] = {
        {"recipient", good, "author@example.org>\r\nRCPT TO:<evil@attacker.example"},
        {"recipient with LF only", good, "author@example.org\nRCPT TO:<evil@attacker.example>"},
        {"sender", badSender, "author@example.org"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sender.Send(c.account, c.recipient, kMessage).outcome, MailOutcome::Unusable);
    }
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_TRUE(server.RecipientsOffered().empty());
}

// The server takes the message and then breaks the connection instead of answering QUIT: the
// message is delivered, and the caller must not send it again over the other account.
TEST_F(MailSenderTest, AcceptedMessageCountsAsDeliveredWhenTheClosingFails) {
    mailtest::ServerOptions options;
    options.dropAfterData = true;
    SmtpsServer server(options);
    const MailAttempt attempt =
        SmtpsSender(server.caFile())
            .Send(Account(server.port(), "first", "first-pass"), "author@example.org", kMessage);
    EXPECT_EQ(attempt.outcome, MailOutcome::Delivered) << attempt.detail;
    EXPECT_EQ(server.Received().size(), 1u);
}

// libcurl is loaded at the first mail. When it cannot be, the attempt fails without touching the
// network, and the next mail tries again: a library that appears later is used.
TEST_F(MailSenderTest, AMailLibraryThatCannotBeLoadedFailsTheAttemptAndIsTriedAgain) {
    struct ResetLibrary {
        ~ResetLibrary() { SetMailCurlLibraryForTesting(""); }
    } reset;
    SmtpsServer server;
    const SmtpsSender sender(server.caFile());
    const MailAccount account = Account(server.port(), "first", "first-pass");

    SetMailCurlLibraryForTesting("libkestrune-no-such-curl.so.4");
    const MailAttempt missing = sender.Send(account, "author@example.org", kMessage);
    EXPECT_EQ(missing.outcome, MailOutcome::NoMailLibrary);
    EXPECT_FALSE(missing.delivered());
    EXPECT_NE(missing.detail.find("libkestrune-no-such-curl.so.4"), std::string::npos) << missing.detail;
    EXPECT_EQ(server.Connections(), 0);

    SetMailCurlLibraryForTesting("");
    const MailAttempt loaded = sender.Send(account, "author@example.org", kMessage);
    EXPECT_EQ(loaded.outcome, MailOutcome::Delivered) << loaded.detail;
    EXPECT_EQ(server.Received().size(), 1u);
}

// Every option of the transfer must hold; one that libcurl refuses ends the attempt before any
// connection instead of sending with less than was asked for.
TEST_F(MailSenderTest, AnOptionLibcurlRefusesEndsTheAttemptBeforeAnyConnection) {
    SmtpsServer server;
    MailAccount account = Account(server.port(), "first", "first-pass");
    account.password = std::string(9 * 1024 * 1024, 'p');  // beyond what libcurl takes for a text option
    const MailAttempt attempt = SmtpsSender(server.caFile()).Send(account, "author@example.org", kMessage);
    EXPECT_EQ(attempt.outcome, MailOutcome::Failed);
    EXPECT_NE(attempt.detail.find("refused option"), std::string::npos) << attempt.detail;
    EXPECT_EQ(server.Connections(), 0);
}

}  // namespace
}  // namespace kestrune
