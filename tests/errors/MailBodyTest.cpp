// The bodies of the report and review mails, built from texts alone.
#include <gtest/gtest.h>

#include "errors/MailBody.h"
#include "tests/support/TestSupport.h"

namespace kestrune {
namespace {

using Lines = std::vector<std::string>;
const std::string kRule(kMailRule);

const MailSystemRows kRows{"05/03/2027 [07:04:09]",
                           {"Program = Caller 2.1 [Russian]", "WinVersion = 10.0.19045", "User = u", "PC = p",
                            "PC SysInfo:\r\n          ProcessorType: 8664"},
                           "Program worked = 00:01:00",
                           kRule + "\r\n Key \"value\""};

TEST(MailBodyTest, LinesOfSplitsLikeAMemoLoadingAFile) {
    const struct {
        const char* text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\ntwo\rthree", {"one", "two", "three"}},
        {"one\r\n\r\n", {"one", ""}},
        {"\r\n", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(LinesOf(c.text), c.lines) << c.text;
}

TEST(MailBodyTest, ReportOutsideReporterModeIsTheLogOrNothing) {
    EXPECT_EQ(ReportBody(std::string("a\r\n.b\r\n")), (Lines{"a", ".b"}));
    EXPECT_TRUE(ReportBody(std::nullopt).empty());
    // With no log the closing block alone is mailed.
    EXPECT_EQ(WithClosingBlock(ReportBody(std::nullopt), MailKind::Report, "n", "m", ""),
              (Lines{kRule, "NickName: n", "E-Mail: m", "", "Text: "}));
}

TEST(MailBodyTest, ReporterBodyIsTheCallersLogAndTheHeaderBlock) {
    const Lines header{
        kRule,      "Error log", "05/03/2027 [07:04:09]", "Program = Caller 2.1 [Russian]", "WinVersion = 10.0.19045",
        "User = u", "PC = p",    "PC SysInfo:",           "          ProcessorType: 8664"};
    EXPECT_EQ(ReporterBody(std::nullopt, kRows), header);
    Lines withLog{"caller line"};
    withLog.insert(withLog.end(), header.begin(), header.end());
    EXPECT_EQ(ReporterBody(std::string("caller line\r\n"), kRows), withLog);
}

TEST(MailBodyTest, CallerLogIsReadOnlyBelowTheSizeLimitAndOnlyFromARegularFile) {
    testsupport::ScratchFolder dir;
    const struct {
        const char* name;
        std::size_t size;
        bool read;
    } cases[] = {{"empty", 0, true},
                 {"one byte below", 102399, true},
                 {"at the limit", 102400, false},
                 {"above", 200000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / (std::string(c.name) + ".log");
        testsupport::WriteFile(path, std::string(c.size, 'x'));
        EXPECT_EQ(ReadCallerLog(path).has_value(), c.read);
    }
    EXPECT_FALSE(ReadCallerLog("").has_value());
    EXPECT_FALSE(ReadCallerLog(dir / "missing.log").has_value());
    EXPECT_FALSE(ReadCallerLog(dir.path()).has_value());   // a folder
    EXPECT_FALSE(ReadCallerLog("/dev/zero").has_value());  // a device would never end
}

TEST(MailBodyTest, ReviewBodyFollowsTheLogAndTheErrorOfThisRun) {
    const Lines header{
        kRule,      "REVIEW", "05/03/2027 [07:04:09]", "Program = Caller 2.1 [Russian]", "WinVersion = 10.0.19045",
        "User = u", "PC = p", "PC SysInfo:",           "          ProcessorType: 8664"};
    auto with = [&](Lines more) {
        Lines all = header;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const struct {
        const char* name;
        std::optional<std::string> log;
        bool errorOccurred;
        std::string dump;
        Lines expected;
    } cases[] = {
        {"log and an error", std::string("entry\r\n"), true, "d", {"entry"}},
        {"log and no error", std::string("entry\r\n"), false, "d", {}},
        {"no log, no error", std::nullopt, false, "", header},
        {"no log, an error", std::nullopt, true, "", with({"Program worked = 00:01:00", kRule, " Key \"value\""})},
        {"no log, a dump", std::nullopt, false, "counter", with({kRule, "Dump = \"counter\""})},
        {"no log, error and dump", std::nullopt, true, "c",
         with({"Program worked = 00:01:00", kRule, "Dump = \"c\"", kRule, " Key \"value\""})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReviewBody(c.log, c.errorOccurred, c.dump, kRows), c.expected);
    }
}

TEST(MailBodyTest, ClosingBlockHasABlankLineInTheReportOnly) {
    EXPECT_EQ(WithClosingBlock({"body"}, MailKind::Report, "Вася", "v@example.org", "line 1\nline 2\n"),
              (Lines{"body", kRule, "NickName: Вася", "E-Mail: v@example.org", "", "Text: ", "line 1", "line 2"}));
    EXPECT_EQ(WithClosingBlock({}, MailKind::Review, "", "", "\n\nlast"),
              (Lines{kRule, "NickName: ", "E-Mail: ", "Text: ", "", "", "last"}));
}

}  // namespace
}  // namespace kestrune
