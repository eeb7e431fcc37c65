// The mail settings file: accounts, the CA bundle and what makes an account unusable.
#include <gtest/gtest.h>

#include "errors/MailSettings.h"
#include "tests/support/TestSupport.h"

namespace kestrune {
namespace {

TEST(MailSettingsTest, ReadsBothAccountsAndTheBundle) {
    const MailSettings settings = ParseMailSettings(
        "; comment\r\n"
        "[account1]\r\n host = smtp.one.example \r\nUSER=one\r\nPassword= p=ss word \r\nSender=one@one.example\r\n"
        "# another comment\n"
        "[Account2]\nHost=127.0.0.1\nPort=2465\nUser=two\nPassword=x\nSender=two@two.example\n"
        "[TLS]\nCABundle=/tmp/ca.pem\n"
        "[Other]\nHost=ignored.example\n");
    const MailAccount& one = settings.accounts[0];
    EXPECT_TRUE(one.usable()) << one.problem;
    EXPECT_EQ(one.host, "smtp.one.example");
    EXPECT_EQ(one.port, 465);
    EXPECT_EQ(one.user, "one");
    EXPECT_EQ(one.password, "p=ss word");
    EXPECT_EQ(one.sender, "one@one.example");
    const MailAccount& two = settings.accounts[1];
    EXPECT_TRUE(two.usable()) << two.problem;
    EXPECT_EQ(two.host, "127.0.0.1");
    EXPECT_EQ(two.port, 2465);
    EXPECT_EQ(settings.caBundle, "/tmp/ca.pem");
}

TEST(MailSettingsTest, UnsoundAccountsAreUnusable) {
    const std::string base = "[Account1]\nHost=smtp.example\nUser=u\nPassword=p\nSender=s@example.org\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"no section", ""},
        {"host missing", "[Account1]\nUser=u\nSender=s@example.org\n"},
        {"host with a slash", base + "Host=smtp.example/path\n"},
        {"host with a blank", base + "Host=smtp example\n"},
        {"port zero", base + "Port=0\n"},
        {"port too big", base + "Port=65536\n"},
        {"port not a number", base + "Port=465x\n"},
        {"sender not an address", base + "Sender=nobody\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParseMailSettings(c.text).accounts[0].usable());
    }
    EXPECT_TRUE(ParseMailSettings(base).accounts[0].usable());
    EXPECT_FALSE(ParseMailSettings(base).accounts[1].usable());
}

// A ";" or "#" after a blank starts a comment; anywhere else it belongs to the value.
TEST(MailSettingsTest, CommentsAfterValues) {
    const struct {
        const char* line;
        const char* password;
    } cases[] = {
        {"Password=secret ; the shared one", "secret"},
        {"Password=secret\t# tab, then a comment", "secret"},
        {"Password=sec;ret#1", "sec;ret#1"},
        {"Password=;secret", ";secret"},
        {"Password=#secret", "#secret"},
        {"Password= ; only a comment", ""},
        {"Password=two words ;x", "two words"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const MailSettings settings = ParseMailSettings(std::string("[Account1]\nHost=smtp.example ; the host\n"
                                                                    "Port=2465   # not the default\nUser=u\n"
                                                                    "Sender=s@example.org ; who sends\n") +
                                                        c.line + "\n");
        EXPECT_EQ(settings.accounts[0].password, c.password);
        EXPECT_EQ(settings.accounts[0].host, "smtp.example");
        EXPECT_EQ(settings.accounts[0].port, 2465);
        EXPECT_EQ(settings.accounts[0].sender, "s@example.org");
    }
}

// What makes an account unusable is named by its section and key.
TEST(MailSettingsTest, ProblemsNameTheSectionAndTheKey) {
    const std::string rest = "User=u\nPassword=p\nSender=s@example.org\n";
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        {"[Account1]\n" + rest, "[Account1] Host: missing"},
        {"[Account1]\nHost=a b\n" + rest, "[Account1] Host: \"a b\" is not a host name or IPv4 address"},
        {"[Account1]\nHost=h\nPort=70000\n" + rest, "[Account1] Port: \"70000\" is not a number from 1 to 65535"},
        {"[Account1]\nHost=h\nUser=u\n", "[Account1] Sender: missing"},
        {"[Account1]\nHost=h\nUser=u\nSender=nobody\n", "[Account1] Sender: \"nobody\" is not a plain mail address"},
        {"[Account1]\nHost=h\nUser=u\tv\nSender=s@example.org\n", "[Account1] User: holds a control character"},
        {"", "[Account1] is not configured (no Host, User or Sender)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseMailSettings(c.text).accounts[0].problem, c.problem);
    }
    EXPECT_EQ(ParseMailSettings("").accounts[1].problem, "[Account2] is not configured (no Host, User or Sender)");
}

// An editor may save the file as UTF-8 with a byte-order mark: the first section is still read.
TEST(MailSettingsTest, AByteOrderMarkKeepsTheFirstSection) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string account = "Host=smtp.example\r\nUser=u\r\nPassword=p\r\nSender=s@example.org\r\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"mark, then the section", bom + "[Account1]\r\n" + account},
        {"mark, then a comment", bom + "; accounts\r\n[Account1]\r\n" + account},
        {"mark and LF lines", bom + "[Account1]\nHost=smtp.example\nUser=u\nPassword=p\nSender=s@example.org\n"},
        {"no mark", "[Account1]\r\n" + account},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ScratchFolder dir;
        testsupport::WriteFile(dir / "Mail.ini", c.text);
        const MailSettings settings = LoadMailSettings(dir / "Mail.ini");
        EXPECT_TRUE(settings.accounts[0].usable()) << settings.accounts[0].problem;
        EXPECT_EQ(settings.accounts[0].host, "smtp.example");
    }
}

TEST(MailSettingsTest, MissingFileGivesNoUsableAccount) {
    testsupport::ScratchFolder dir;
    const MailSettings settings = LoadMailSettings(dir / "Mail.ini");
    EXPECT_FALSE(settings.accounts[0].usable());
    EXPECT_FALSE(settings.accounts[1].usable());
}

}  // namespace
}  // namespace kestrune
