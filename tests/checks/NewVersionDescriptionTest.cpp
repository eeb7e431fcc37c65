// The new-version description's logic: the size as text and the one version comparison.
#include <gtest/gtest.h>

#include "checks/NewVersionDescription.h"

namespace {

using namespace kestrune;

TEST(NewVersionWindowTest, MegabytesAreTruncated) {
    const struct {
        int kb;
        const char* text;
    } cases[] = {{1536, "1.50"},
                 {1034, "1.00"},
                 {1126, "1.09"},
                 {500, "0.48"},
                 {1023, "0.99"},
                 {0, "0.00"},
                 {2147483647, "2097151.99"}};
    for (const auto& c : cases) EXPECT_EQ(MegabyteText(c.kb), c.text) << c.kb;
}

TEST(NewVersionWindowTest, VersionComparison) {
    const struct {
        const char* candidate;
        const char* current;
        bool comparable;
        bool newer;
    } cases[] = {
        {"2.0", "1.0", true, true},
        {"1.0", "1.0", true, false},
        {"1.0.0", "1.0", true, false},
        {"1.10", "1.9", true, true},
        {"0.9", "1.0", true, false},
        // Letters after a number order after it: 1.0 < 1.0a < 1.0b < 1.1.
        {"1.0a", "1.0a", true, false},
        {"1.0a", "1.0", true, true},
        {"1.0b", "1.0a", true, true},
        {"1.1", "1.0b", true, true},
        {"1.0a", "2.0", true, false},
        {"1.0A", "1.0a", true, false},
        // A leading "v" is no part of the version.
        {"v1.0", "2.0", true, false},
        {"v1.0", "1.0", true, false},
        {"V2.0", "1.0", true, true},
        // Numbers of any length, by value.
        {"1.0", "99999999999999999999.0", true, false},
        {"99999999999999999999.0", "1.0", true, true},
        {"100000000000000000000.0", "99999999999999999999.0", true, true},
        {"01.2", "1.2", true, false},
        // The running version as given, "_" and all: it names no later version.
        {"1.6", "1_5", true, true},
        {"1_5", "1_5", true, false},
        // Texts that name no version cannot be ordered.
        {"2.0 beta", "1.0", false, false},
        {"", "1.0", false, false},
        {"2.0", "", false, false},
        {"beta", "1.0", false, false},
        {"2.0", "v", false, false},
    };
    for (const auto& c : cases) {
        bool comparable = false;
        EXPECT_EQ(VersionIsNewer(c.candidate, c.current, comparable), c.newer) << c.candidate << " " << c.current;
        EXPECT_EQ(comparable, c.comparable) << c.candidate << " " << c.current;
    }
}

}  // namespace
