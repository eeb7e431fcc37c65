// Whole starts of the built program, each from a copy of the program folder in a scratch folder,
// with HOME, the configuration folder, TEMP and the registry store pointed into it.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string appData() const { return home_.appData(); }
    ProcessResult Start(const std::vector<std::string>& params, int timeoutMs = 20000) {
        std::vector<std::string> argv{app() + "/KV.Kestrune"};
        argv.insert(argv.end(), params.begin(), params.end());
        return RunProcess(argv, {{"QT_QPA_PLATFORM", "offscreen"}}, timeoutMs);
    }

    IsolatedHome home_;
};

TEST_F(ProgramStart, JoblessModesEndAtTheFirstTick) {
    for (const char* mode : {"0", "abc"}) {
        SCOPED_TRACE(mode);
        const ProcessResult result = Start({mode, "Prog", "2.0", "English"});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
}

TEST_F(ProgramStart, UnknownModeEndsWithFailureStatus) {
    const ProcessResult result = Start({"7", "Prog", "2.0", "English", "", "http://127.0.0.1:1/", ""});
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("unknown mode"), std::string::npos) << result.err;
}

}  // namespace
