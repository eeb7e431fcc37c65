#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/LoadedLibrary.h"

using namespace platform;

namespace {

struct CFunctions {
    decltype(&std::strlen) length = nullptr;
    int (*missing)() = nullptr;
};

// A library is loaded once and set up once; a missing library or symbol is named, and a library
// that failed is tried again at the next call.
TEST(LoadedLibrary, LoadsOnceAndNamesWhatIsMissing) {
    int starts = 0;
    const auto start = [&starts](const CFunctions&) {
        ++starts;
        return std::string();
    };
    const auto takeLength = [](LibrarySymbols& symbols, CFunctions& f) { symbols.Take("strlen", f.length); };

    const auto first = LoadLibraryOnce<CFunctions>("libc.so.6", "libc", takeLength, start);
    ASSERT_NE(first.functions, nullptr) << first.problem;
    EXPECT_EQ(first.functions->length("four"), 4u);
    const int startsOfFirst = starts;  // none when an earlier test of this process loaded it
    EXPECT_LE(startsOfFirst, 1);
    const auto again = LoadLibraryOnce<CFunctions>("libc.so.6", "libc", takeLength, start);
    EXPECT_EQ(again.functions, first.functions);
    EXPECT_EQ(starts, startsOfFirst) << "set up once";

    struct Case {
        const char* name;
        const char* fileName;
        bool withMissingSymbol;
        std::string startProblem;
        std::string problem;  // what the problem begins with
    } const cases[] = {
        {"no such library", "libkestrune-missing.so.1", false, "", "libkestrune-missing.so.1"},
        {"a symbol it lacks", "libm.so.6", true, "", "libm has no kestrune_missing"},
        {"a failed set-up", "libdl.so.2", false, "could not start", "could not start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int attempt = 0; attempt < 2; ++attempt) {
            int caseStarts = 0;
            const auto loaded = LoadLibraryOnce<CFunctions>(
                c.fileName, c.fileName == std::string("libm.so.6") ? "libm" : "lib",
                [&c](LibrarySymbols& symbols, CFunctions& f) {
                    if (c.withMissingSymbol) symbols.Take("kestrune_missing", f.missing);
                },
                [&](const CFunctions&) {
                    ++caseStarts;
                    return c.startProblem;
                });
            EXPECT_EQ(loaded.functions, nullptr);
            EXPECT_EQ(loaded.problem.rfind(c.problem, 0), 0u) << loaded.problem;
            EXPECT_EQ(caseStarts, c.startProblem.empty() ? 0 : 1) << "tried again, attempt " << attempt;
        }
    }
}

}  // namespace
