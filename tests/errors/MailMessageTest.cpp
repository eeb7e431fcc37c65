// Composition of the mail: address checks, header encoding and the quoted-printable body.
#include <gtest/gtest.h>

#include "errors/MailMessage.h"
#include "tests/errors/MailTestServer.h"

namespace kestrune {
namespace {

TEST(MailMessageTest, OnlyPlainAddressesPass) {
    const struct {
        const char* address;
        bool plain;
    } cases[] = {
        {"author@example.org", true},
        {"first.last+tag@mail.example.org", true},
        {"", false},
        {"author", false},
        {"@example.org", false},
        {"author@", false},
        {"a@b@example.org", false},
        {"author@example.org\r\nRCPT TO:<evil@x.example>", false},
        {"author@example.org\n", false},
        {"author@example.org>", false},
        {"<author@example.org>", false},
        {"auth or@example.org", false},
        {"author@example..org", false},
        {"автор@example.org", false},
        {"author@example.org\t", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPlainMailAddress(c.address), c.plain) << c.address;
}

TEST(MailMessageTest, CheckMessageRefusesControlCharactersInHeaderValues) {
    MailMessage good{"KV.Kestrune 1.0.3", "s@example.org", "r@example.org", "Review", {}};
    EXPECT_FALSE(CheckMessage(good).has_value());
    for (const std::string& bad : std::vector<std::string>{"a\rb", "a\nb", std::string("a\0b", 3), "a\x7f", "a\tb"}) {
        MailMessage named = good;
        named.senderName = bad;
        EXPECT_TRUE(CheckMessage(named).has_value());
        MailMessage subject = good;
        subject.subject = bad;
        EXPECT_TRUE(CheckMessage(subject).has_value());
    }
}

TEST(MailMessageTest, DisplayNameIsQuotedOrEncoded) {
    const struct {
        const char* name;
        const char* from;
    } cases[] = {
        {"KV.Kestrune 1.0.3", "From: \"KV.Kestrune 1.0.3\" <s@example.org>\r\n"},
        {"Say \"hi\" \\ bye", "From: \"Say \\\"hi\\\" \\\\ bye\" <s@example.org>\r\n"},
        {"Тест 1.0", "From: =?UTF-8?B?0KLQtdGB0YIgMS4w?= <s@example.org>\r\n"},
    };
    for (const auto& c : cases) {
        const std::string message = ComposeMessage({c.name, "s@example.org", "r@example.org", "Review", {}}, 0, "id");
        EXPECT_NE(message.find(c.from), std::string::npos) << message;
    }
}

TEST(MailMessageTest, LongEncodedWordsNeverSplitACharacter) {
    const std::string text = std::string(30, 'a') + "Ж" + std::string(40, 'b') + "Привет";
    const std::string encoded = EncodeHeaderWord(text);
    std::string decoded;
    std::size_t pos = 0;
    for (std::size_t start; (start = encoded.find("=?UTF-8?B?", pos)) != std::string::npos;) {
        const std::size_t end = encoded.find("?=", start + 10);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end + 2 - start, 75u);
        // Each word must be whole UTF-8 on its own: decode it with a tiny base64 decoder.
        const std::string b64 = encoded.substr(start + 10, end - start - 10);
        std::string word;
        unsigned buffer = 0;
        int bits = 0;
        for (char ch : b64) {
            if (ch == '=') break;
            const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            buffer = (buffer << 6) | static_cast<unsigned>(alphabet.find(ch));
            bits += 6;
            if (bits >= 8) {
                bits -= 8;
                word += static_cast<char>((buffer >> bits) & 0xFF);
            }
        }
        EXPECT_NE(static_cast<unsigned char>(word.front()) & 0xC0, 0x80u) << "word begins inside a character";
        decoded += word;
        pos = end + 2;
    }
    EXPECT_EQ(decoded, text);
}

TEST(MailMessageTest, QuotedPrintableRoundTripsAndStaysSevenBitAndShort) {
    const std::vector<std::string> lines = {
        "",
        "plain",
        "a = b",
        "trailing blank ",
        "trailing tab\t",
        ".dot first",
        "Привет, мир — ошибка",
        std::string(200, 'x'),
        std::string(80, '=') + "Ж",
        std::string("bell\x07 and \x1b escape"),
    };
    const std::string encoded = QuotedPrintable(lines);
    std::string expected;
    for (const auto& line : lines) expected += line + "\r\n";
    EXPECT_EQ(mailtest::DecodeQuotedPrintable(encoded), expected);
    std::size_t start = 0;
    for (std::size_t end; (end = encoded.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = encoded.substr(start, end - start);
        EXPECT_LE(line.size(), 76u) << line;
        if (!line.empty()) {
            EXPECT_NE(line.back(), ' ') << line;
        }
        for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
    }
}

TEST(MailMessageTest, MessageIdsDiffer) { EXPECT_NE(RandomMessageIdPart(), RandomMessageIdPart()); }

}  // namespace
}  // namespace kestrune
