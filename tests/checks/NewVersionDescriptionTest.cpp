// The new-version description's logic: the size as text and the version comparison.
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
    } cases[] = {{"2.0", "1.0", true, true},  {"1.0", "1.0", true, false}, {"1.0.0", "1.0", true, false},
                 {"1.10", "1.9", true, true}, {"0.9", "1.0", true, false}, {"2.0 beta", "1.0", false, false},
                 {"", "1.0", false, false},   {"2.0", "", false, false}};
    for (const auto& c : cases) {
        bool comparable = false;
        EXPECT_EQ(VersionIsNewer(c.candidate, c.current, comparable), c.newer) << c.candidate << " " << c.current;
        EXPECT_EQ(comparable, c.comparable) << c.candidate << " " << c.current;
    }
}

}  // namespace
