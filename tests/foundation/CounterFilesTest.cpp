// Counter files: adding, moving the running-time counter, unreadable counters.

#include "foundation/CounterFiles.h"
#include "tests/foundation/FoundationFixture.h"

namespace {

using namespace kestrune;

constexpr const char* kAddHeader = "THIS IS SYSTEM FILE, DO NOT EDIT AND DO NOT DELETE IT!\r\n";
constexpr const char* kMoveHeader = "THIS IS A SYSTEM FILE, DO NOT EDIT AND DO NOT DELETE IT!\r\n";

class CounterFilesTest : public FoundationFixture {
protected:
    std::string counter(const std::string& name) const { return app() + "/Resource/" + name + ".ini"; }
};

TEST_F(CounterFilesTest, AddToStoredValues) {
    struct Case {
        const char* what;
        const char* stored;  // nullptr: no file
        std::int64_t value;
        const char* expected;
    };
    const Case cases[] = {
        {"no file", nullptr, 60000, "60000"},
        {"a number", "header\r\n100\r\n", 5, "105"},
        {"the other header", kMoveHeader, 0, "0"},
        {"line 2 no number", "header\r\nabc\r\n", 7, "7"},
        {"one line only", "header\r\n", 7, "7"},
        {"empty file", "", 7, "7"},
        {"negative", "header\r\n-50\r\n", 20, "-30"},
        {"LF line ends", "header\n42\n", 1, "43"},
        {"at the top", "header\r\n9223372036854775807\r\n", 1, "9223372036854775807"},
        {"number with text after it", "header\r\n12abc\r\n", 1, "1"},
    };
    for (const Case& c : cases) {
        platform::RemoveFile(counter("TmpCnt"));
        if (c.stored) testsupport::WriteFile(counter("TmpCnt"), c.stored);
        UpdateCounterFile("TmpCnt", "0", false, c.value, 0);
        EXPECT_EQ(testsupport::ReadFile(counter("TmpCnt")), std::string(kAddHeader) + c.expected + "\r\n") << c.what;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(CounterFilesTest, AddCanDeleteTheRunningTime) {
    testsupport::WriteFile(counter("TmpCnt"), "h\r\n5\r\n");
    UpdateCounterFile("ECounter", "0", true, 3, 0);
    EXPECT_EQ(testsupport::ReadFile(counter("ECounter")), std::string(kAddHeader) + "3\r\n");
    EXPECT_FALSE(testsupport::FileExists(counter("TmpCnt")));
}

TEST_F(CounterFilesTest, MoveRunningTimeIntoACounter) {
    UpdateCounterFile("LCounter", "0", false, 9, 1);
    EXPECT_FALSE(testsupport::FileExists(counter("LCounter"))) << "no TmpCnt.ini: nothing happens";

    testsupport::WriteFile(counter("TmpCnt"), std::string(kAddHeader) + "5000\r\n");
    testsupport::WriteFile(counter("LCounter"), std::string(kAddHeader) + "100\r\n");
    UpdateCounterFile("LCounter", "0", false, 9, 1);
    EXPECT_EQ(testsupport::ReadFile(counter("LCounter")), std::string(kMoveHeader) + "5100\r\n");
    EXPECT_FALSE(testsupport::FileExists(counter("TmpCnt")));

    testsupport::WriteFile(counter("TmpCnt"), "garbage");  // no number: the given value stands in
    UpdateCounterFile("LCounter", "0", false, 9, 1);
    EXPECT_EQ(testsupport::ReadFile(counter("LCounter")), std::string(kMoveHeader) + "5109\r\n");

    testsupport::WriteFile(counter("TmpCnt"), "h\r\n1\r\n");
    UpdateCounterFile("LCounter", "0", false, 9, 2);
    EXPECT_TRUE(testsupport::FileExists(counter("TmpCnt"))) << "mode 2 does nothing";
    EXPECT_TRUE(errors.empty());
}

// Three ticks of the work-time timer a minute apart add three minutes, not 1 + 2 + 3.
TEST_F(CounterFilesTest, RunningTimeCountsEachIntervalOnce) {
    std::uint32_t last = 0xFFFF0000u;  // the tick count wraps between the ticks
    for (int tick = 1; tick <= 3; ++tick) AddRunningTime(last, 0xFFFF0000u + 60000u * static_cast<std::uint32_t>(tick));
    EXPECT_EQ(testsupport::ReadFile(counter("TmpCnt")), std::string(kAddHeader) + "180000\r\n");
    EXPECT_EQ(last, 0xFFFF0000u + 180000u);
}

// A resource folder that cannot be made is reported with the step and the four dump lines.
TEST_F(CounterFilesTest, FolderThatCannotBeMadeIsReportedWithItsDump) {
    testsupport::WriteFile(app() + "/Resource", "a file where the folder belongs");
    std::string dump;
    auto previous = SetCounterDumpSink([&](const std::string& lines) { dump += lines; });
    UpdateCounterFile("TmpCnt", "0", false, 42, 0);
    SetCounterDumpSink(std::move(previous));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "URG.002-01");
    EXPECT_EQ(dump, "\r\nTmpCnt\r\n0\r\n42\r\n0");
}

}  // namespace
