// The agent's building blocks, in-process: addresses, names, limits, flag files, folders.

#include <gtest/gtest.h>

#include <filesystem>

#include "agent/AgentFiles.h"
#include "agent/Download.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

TEST(AgentAddress, OnlyHttpAndHttpsInAnyLetterCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://example.org/x/", "http://example.org/x/"},
        {"HTTP://example.org/x/", "HTTP://example.org/x/"},
        {"https://example.org/x/", "https://example.org/x/"},
        {"HtTpS://example.org/x/", "HtTpS://example.org/x/"},
        {"example.org/x/", "http://example.org/x/"},
        {"example.org/a://b", "http://example.org/a://b"},
        {"ftp://example.org/", ""},
        {"file:///etc/", ""},
        {"gopher+x://host/", ""},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(pellmark::NormaliseUrl(url), expected) << url;
    }
}

TEST(AgentAddress, PrefixIsPercentEncoded) {
    EXPECT_EQ(pellmark::PercentEncode("Prog_1.2-beta~"), "Prog_1.2-beta~");
    EXPECT_EQ(pellmark::PercentEncode("My Prog?#&%"), "My%20Prog%3F%23%26%25");
    EXPECT_EQ(pellmark::PercentEncode("Про"), "%D0%9F%D1%80%D0%BE");
    EXPECT_EQ(pellmark::PercentEncode(std::string("a\0b", 3)), "a%00b");
}

TEST(AgentNames, PrefixesAndProductFolders) {
    struct Case {
        std::string name;
        bool prefix;
        bool product;
    };
    const Case cases[] = {
        {"Prog_1.2", true, true},
        {"My Prog 1.2", true, true},
        {"Программа_1.0", true, true},
        {"KV.Kestrune\\Prog", false, true},
        {"KV.Kestrune/Prog", false, true},
        {"..", false, false},
        {"a..b", false, true},
        {"KV.Kestrune\\..", false, false},
        {"./x", false, false},
        {"a\tb", false, false},
        {"a\x7f", false, false},
        {std::string("a\0b", 3), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pellmark::IsSafeFilePrefix(c.name), c.prefix) << c.name;
        EXPECT_EQ(pellmark::IsSafeProductFolder(c.name), c.product) << c.name;
    }
}

TEST(AgentLimits, TextOverridesOnlyWhatItNamesWell) {
    const pellmark::Limits defaults;
    const auto limits = pellmark::LimitsFromText("connect=3,stall=x,run=0,size=1000,bogus=5,stall");
    EXPECT_EQ(limits.connectSeconds, 3);
    EXPECT_EQ(limits.stallSeconds, defaults.stallSeconds);
    EXPECT_EQ(limits.runSeconds, defaults.runSeconds);
    EXPECT_EQ(limits.maxBodyBytes, 1000u);
}

TEST(AgentFiles, FlagReplacesWhateverStandsAtItsName) {
    testsupport::ScratchFolder scratch;
    const std::string target = scratch / "target";
    const std::string flag = scratch / "Prog_CheckReady";
    testsupport::WriteFile(target, "precious");
    fs::create_symlink(target, flag);

    ASSERT_TRUE(pellmark::CreateEmptyFlag(flag));
    EXPECT_FALSE(fs::is_symlink(flag));
    EXPECT_EQ(fs::file_size(flag), 0u);
    EXPECT_EQ(testsupport::ReadFile(target), "precious");

    testsupport::WriteFile(flag, "stale");
    ASSERT_TRUE(pellmark::CreateEmptyFlag(flag));
    EXPECT_EQ(fs::file_size(flag), 0u);

    EXPECT_FALSE(pellmark::CreateEmptyFlag(scratch / "missing/folder/flag"));
}

TEST(AgentFiles, ResultIsTheBodyAndALineEnd) {
    testsupport::ScratchFolder scratch;
    const std::string body("line\0with NUL", 13);
    ASSERT_TRUE(pellmark::WriteResultFile(scratch / "r.txt", body));
    EXPECT_EQ(testsupport::ReadFile(scratch / "r.txt"), body + "\r\n");
    EXPECT_FALSE(pellmark::WriteResultFile(scratch / "missing/r.txt", body));
    EXPECT_EQ(testsupport::ReadFile(scratch / "missing/r.txt"), "");
}

TEST(AgentFiles, FirstLineEndsAtCrOrLf) {
    EXPECT_EQ(pellmark::FirstLine("a\r\nb"), "a");
    EXPECT_EQ(pellmark::FirstLine("a\rb"), "a");
    EXPECT_EQ(pellmark::FirstLine("a\nb"), "a");
    EXPECT_EQ(pellmark::FirstLine("abc"), "abc");
    EXPECT_EQ(pellmark::FirstLine("\r\nb"), "");
}

TEST(AgentFolders, TempIsReadAnewAndHighIndexesAreEmpty) {
    testsupport::IsolatedHome home;
    testsupport::ScopedEnv env;
    env.Set("TEMP", "/first");
    EXPECT_EQ(pellmark::GetSpecialFolder(1), "/first");
    env.Set("TEMP", "/second");
    EXPECT_EQ(pellmark::GetSpecialFolder(1), "/second");
    EXPECT_EQ(pellmark::GetSpecialFolder(10), "");
    EXPECT_EQ(pellmark::GetSpecialFolder(-1), "");
}

}  // namespace
