#include <gtest/gtest.h>

#include "foundation/core/Placeholders.h"

using namespace kestrune;

namespace {

// What is filled, what is kept as it stands, and the count of kept ones by which a caller that
// takes only a wholly filled text refuses the rest. Translated texts are never formats: a "%d",
// "%n" or "%x" in them stays as written.
TEST(Placeholders, FilledAndKeptPlaceholders) {
    struct Case {
        const char* text;
        std::vector<std::string> arguments;
        const char* conversions;
        const char* result;
        std::size_t kept;
    } const cases[] = {
        {"A [ %s ]", {"D"}, "s", "A [ D ]", 0},
        {"100%% [%s]", {"D"}, "s", "100% [D]", 0},
        {"no placeholder", {"D"}, "s", "no placeholder", 0},
        {"%s and %s", {"D"}, "s", "D and %s", 1},
        {"%d %s", {"D"}, "s", "%d D", 1},
        {"%d %s", {"1", "D"}, "sd", "1 D", 0},
        {"ends with %", {"D"}, "s", "ends with %", 1},
        {"%n", {}, "s", "%n", 1},
        {"%1:s %0:s", {"a", "b"}, "s", "b a", 0},
        {"%2:s", {"a"}, "s", "%2:s", 1},
        {"", {"D"}, "s", "", 0},
        {"Error in \"%s\" !", {"KV.Kestrune"}, "s", "Error in \"KV.Kestrune\" !", 0},
        {"%d%n%x %s", {"KV.Kestrune"}, "s", "%d%n%x KV.Kestrune", 3},
        {"100%% %s", {"KV.Kestrune"}, "s", "100% KV.Kestrune", 0},
    };
    for (const Case& c : cases) {
        std::size_t kept = 99;
        EXPECT_EQ(FillPlaceholders(c.text, c.arguments, c.conversions, &kept), c.result) << c.text;
        EXPECT_EQ(kept, c.kept) << c.text;
    }
}

}  // namespace
