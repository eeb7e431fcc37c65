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

TEST(MailSettingsTest, MissingFileGivesNoUsableAccount) {
    testsupport::ScratchFolder dir;
    const MailSettings settings = LoadMailSettings(dir / "Mail.ini");
    EXPECT_FALSE(settings.accounts[0].usable());
    EXPECT_FALSE(settings.accounts[1].usable());
}

}  // namespace
}  // namespace kestrune
