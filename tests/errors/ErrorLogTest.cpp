#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "errors/ErrorLog.h"
#include "tests/errors/ErrorFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune;

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string Lines(std::size_t count, std::size_t length, const char* end = "\r\n") {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += std::string(length, static_cast<char>('a' + i % 26)) + end;
    return text;
}

class ErrorLogTest : public errortest::ErrorProcessorFixture {};

TEST_F(ErrorLogTest, EntryHoldsEveryRowInItsFormat) {
    FailureDescription failure;
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        failure = DescribeCurrentFailure("URG.003-02", 5);
    }
    const std::string entry = BuildLogEntry(failure);
    ASSERT_GE(entry.size(), 2u);
    EXPECT_EQ(entry.substr(entry.size() - 2), "\r\n");

    std::vector<std::string> expected = {std::string(49, '='), "05/03/2027 [07:04:09]",
                                         "Program = KV.Kestrune 1.0.3.2k.lang [English]"};
    for (const std::string& line : errortest::FixedSystemInfoLines()) expected.push_back(line);
    expected.push_back("Program worked = " + DurationText(3723000));
    expected.push_back("Adress = URG.003-02.5 [std::runtime_error]");
    const std::vector<std::string> lines = SplitCrLf(entry);
    ASSERT_GT(lines.size(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "row line " << i;
    // "Add info = " + two unsigned decimals
    const std::string addInfo = lines[expected.size()];
    const std::size_t slash = addInfo.find(" / ");
    const auto decimal = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    ASSERT_EQ(addInfo.rfind("Add info = ", 0), 0u) << addInfo;
    ASSERT_NE(slash, std::string::npos) << addInfo;
    EXPECT_TRUE(decimal(addInfo.substr(11, slash - 11))) << addInfo;
    EXPECT_TRUE(decimal(addInfo.substr(slash + 3))) << addInfo;
    // The trailer closes the entry: the rule, then the settings listing with its own line breaks.
    EXPECT_EQ(entry.substr(entry.find("\r\n", entry.find("Add info = ")) + 2),
              std::string(49, '=') + ListSettingsForReport() + "\r\n");
}

TEST_F(ErrorLogTest, DumpRowsOnlyWhileTheDumpHoldsTextAndBounded) {
    const FailureDescription failure{"UP.006-01.0", "n/a", 0, 0};
    EXPECT_EQ(BuildLogEntry(failure).find("Dump = "), std::string::npos);

    ErrorDump = "\r\nName\r\nText\r\n7\r\n1";
    const std::string entry = BuildLogEntry(failure);
    const std::string dumpRows = std::string(49, '=') + "\r\nDump = \"" + ErrorDump + "\"\r\n";
    EXPECT_NE(entry.find("Add info = 0 / 0\r\n" + dumpRows + std::string(49, '=')), std::string::npos);

    // A dump that has grown over the run is cut to its newest part.
    ErrorDump = std::string(kDumpLimitPerEntry * 4, 'o') + "NEWEST";
    const std::string carried = DumpForEntry(ErrorDump);
    EXPECT_LE(carried.size(), kDumpLimitPerEntry + 64);
    EXPECT_EQ(carried.substr(carried.size() - 6), "NEWEST");
    EXPECT_LT(BuildLogEntry(failure).size(), kDumpLimitPerEntry + 4096);
}

TEST_F(ErrorLogTest, RunningTimesSurviveTheWrapOfTheTickCount) {
    // The 32-bit tick count starts again after 49.7 days; the program's running time is the
    // difference modulo 2^32, and the system's up time is not a 32-bit count at all.
    StartTickCount = 0xFFFFF000u;
    platform::SetTickCountForTesting([] { return std::uint32_t{0x1000}; });
    platform::SystemFacts facts = errortest::FixedFacts();
    facts.uptimeMs = 60ull * 24 * 3600 * 1000;  // 60 days
    platform::SetSystemFactsForTesting(facts);
    const std::string entry = BuildLogEntry(FailureDescription{"UP.006-01.0", "n/a", 0, 0});
    EXPECT_NE(entry.find("\r\nProgram worked = " + DurationText(8192) + "\r\n"), std::string::npos);
    EXPECT_NE(entry.find("\r\nOS worked = " + DurationText(60ll * 24 * 3600 * 1000) + "\r\n"), std::string::npos);
}

TEST_F(ErrorLogTest, DateRowIgnoresTheSystemFormat) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* text;
    };
    const Case cases[] = {
        {2027, 3, 5, 7, 4, 9, "05/03/2027 [07:04:09]"},
        {2026, 12, 8, 23, 46, 16, "08/12/2026 [23:46:16]"},
        {2000, 1, 1, 0, 0, 0, "01/01/2000 [00:00:00]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LogDateText(testsupport::AsTm({c.year, c.month, c.day, c.hour, c.minute, c.second})), c.text);
    }
}

TEST(KeepOldLogPart, KeepsWholeLinesWhileTheyFit) {
    struct Case {
        const char* name;
        std::string old;
        std::string kept;
    };
    const Case cases[] = {
        {"100 lines of 598: the first 85 fit (85 x 600 = 51000)", Lines(100, 598), Lines(85, 598)},
        {"first line of 51198 reaches the limit", Lines(1, 51198) + Lines(3, 10), ""},
        {"first line of 51197 fits alone", Lines(1, 51197) + Lines(3, 10), Lines(1, 51197)},
        {"empty log", "", ""},
        {"LF and CR line ends come back as CR LF", "one\ntwo\rthree\r\nfour", "one\r\ntwo\r\nthree\r\nfour\r\n"},
        {"empty lines are lines", "\r\n\r\nx\r\n", "\r\n\r\nx\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(KeepOldLogPart(c.old), c.kept) << c.name;
}

TEST_F(ErrorLogTest, SystemTextsAnswerNaWhereTheSystemGivesNothing) {
    struct Case {
        int index;
        const char* text;
    };
    const Case known[] = {{0, "n/a"}, {1, "42"}, {2, "8388608 KB"}, {3, "3145728 KB"}, {8, "n/a"}, {-1, "n/a"}};
    for (const Case& c : known) EXPECT_EQ(MemoryStatusValue(c.index), c.text) << c.index;

    platform::SystemFacts nothing = errortest::FixedFacts();
    nothing.memory.reset();
    nothing.userName.clear();
    nothing.computerName.clear();
    platform::SetSystemFactsForTesting(nothing);
    for (int index = 1; index <= 7; ++index) EXPECT_EQ(MemoryStatusValue(index), "n/a") << index;
    EXPECT_EQ(UserNameText(), "n/a");
    EXPECT_EQ(ComputerNameText(), "n/a");
    EXPECT_NE(SystemInfoRows().find("User = n/a\r\nPC = n/a\r\n"), std::string::npos);
    EXPECT_NE(SystemInfoRows().find("MemoryLoad = n/a%"), std::string::npos);
}

}  // namespace
