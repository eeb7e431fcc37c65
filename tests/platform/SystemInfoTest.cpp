#include <gtest/gtest.h>

#include "platform/SystemInfo.h"

namespace {

TEST(SystemInfo, MemoryFromMeminfoUsesMemAvailable) {
    const std::string meminfo =
        "MemTotal:        8000000 kB\n"
        "MemFree:          100000 kB\n"
        "MemAvailable:    2000000 kB\n"
        "CommitLimit:    12000000 kB\n"
        "Committed_AS:    5000000 kB\n";
    const auto status = platform::ParseMemoryStatus(meminfo, "Name:\tx\nVmSize:\t  1024 kB\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->totalPhys, 8000000ull * 1024);
    EXPECT_EQ(status->availPhys, 2000000ull * 1024);
    EXPECT_EQ(status->loadPercent, 75u);
    EXPECT_EQ(status->totalPageFile, 12000000ull * 1024);
    EXPECT_EQ(status->availPageFile, 7000000ull * 1024);
    EXPECT_EQ(status->totalVirtual - status->availVirtual, 1024ull * 1024);
}

TEST(SystemInfo, MemoryWithoutTotalIsUnknownAndOldKernelsUseMemFree) {
    EXPECT_FALSE(platform::ParseMemoryStatus("", ""));
    EXPECT_FALSE(platform::ParseMemoryStatus("MemTotal: 0 kB\n", ""));
    EXPECT_FALSE(platform::ParseMemoryStatus("XMemTotal: 5 kB\n", ""));  // only whole names count
    const auto old = platform::ParseMemoryStatus("MemTotal: 1000 kB\nMemFree: 250 kB\n", "");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->availPhys, 250u * 1024);
    EXPECT_EQ(old->loadPercent, 75u);
}

TEST(SystemInfo, VersionTripleFromKernelRelease) {
    struct Case {
        const char* release;
        int major, minor, build;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0}, {"5.15.153.1-microsoft-standard-WSL2", 5, 15, 153},
        {"4.19", 4, 19, 0},          {"", 0, 0, 0},
        {"weird", 0, 0, 0},
    };
    for (const Case& c : cases) {
        const platform::SystemVersion v = platform::ParseSystemVersion(c.release);
        EXPECT_EQ(v.major, c.major) << c.release;
        EXPECT_EQ(v.minor, c.minor) << c.release;
        EXPECT_EQ(v.build, c.build) << c.release;
    }
}

TEST(SystemInfo, ThisSystemAnswersItsValues) {
    platform::SetSystemFactsForTesting(std::nullopt);
    const platform::SystemFacts facts = platform::ReadSystemFacts();
    ASSERT_TRUE(facts.memory);
    EXPECT_GT(facts.memory->totalPhys, 0u);
    EXPECT_LE(facts.memory->loadPercent, 100u);
    EXPECT_FALSE(facts.computerName.empty());
    EXPECT_GT(facts.uptimeMs, 0u);
    EXPECT_GT(facts.version.major, 0);
}

}  // namespace
