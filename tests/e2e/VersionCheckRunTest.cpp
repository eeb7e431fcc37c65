// Whole starts of the built program with its real agent against the loopback HTTP server: a
// start begins the new-version check, the agent leaves its answer, and the next start announces
// a newer version in the new-version window, in both settings modes.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <map>

#include "tests/agent/LoopbackServer.h"
#include "tests/e2e/DrivenStart.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

const char* kNewer = "2.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/download\r\n1536\r\nChanges\r\n";

class VersionCheckRun : public DrivenStart, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DrivenStart::SetUp();
        if (IsSkipped()) return;
        server_ = std::make_unique<agenttest::LoopbackServer>(home_.root() + "/www", home_.root() + "/log");
        // The product folder holding the update settings puts the files under Application Data.
        if (GetParam()) WriteFile(home_.appData() + "/KV.Kestrune/UAUSettings.ini", "");
    }
    std::string settings() const { return GetParam() ? home_.appData() + "/KV.Kestrune/Prog/" : app() + "/Settings/"; }
    std::map<std::string, std::string> Env() const {
        return {{"KESTRUNE_INTERNET", "1"},
                {"no_proxy", "*"},
                {"NO_PROXY", "*"},
                {"KESTRUNE_AGENT_LIMITS", "connect=2,stall=2,run=8"}};
    }
    // A jobless start: its first paint begins the check; the agent outlives the program.
    void StartTheCheck(const std::map<std::string, std::string>& env = {}) {
        const ProcessResult result =
            Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button2", env.empty() ? Env() : env);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        // Wait for the agent's ready flag (it ends within its own limits).
        EXPECT_TRUE(testsupport::WaitFor("the agent's ready flag Prog_1.0_CheckReady",
                                         [&] { return FileExists(home_.temp() + "/Prog_1.0_CheckReady"); }));
    }
    void Serve(const std::string& name, const std::string& body) { WriteFile(home_.root() + "/www/" + name, body); }

    std::unique_ptr<agenttest::LoopbackServer> server_;
};

TEST_P(VersionCheckRun, NewerVersionIsAnnouncedAtTheNextStart) {
    Serve("Prog_1.0.txt", kNewer);
    Serve("Prog_1.0Eng.txt", kNewer);
    StartTheCheck();
    ASSERT_TRUE(FileExists(settings() + "Prog_1.0_CNVTrueEng.txt")) << "both sides meet in the settings folder";
    EXPECT_TRUE(FileExists(settings() + "Prog_1.0_LastCheck.ini"));

    // The next start shows the window at its first paint; "do not remind" keeps it from coming again.
    ProcessResult result = Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button1", Env());
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "UFormNewVerExists");
    EXPECT_TRUE(FileExists(settings() + "Prog_1.0_CheckTrue"));

    server_->ClearLog();
    result = Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button2", Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "") << "not announced again";
    EXPECT_TRUE(server_->Log().empty()) << "the agent is not started while a description waits";
}

TEST_P(VersionCheckRun, SameVersionShowsNothing) {
    Serve("Prog_1.0.txt", "1.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/\r\n10\r\n");
    Serve("Prog_1.0Eng.txt", "1.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/\r\n10\r\n");
    StartTheCheck();
    const ProcessResult result = Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button2", Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "");
    EXPECT_FALSE(FileExists(settings() + "Prog_1.0_CNVTrue.txt")) << "a description of this version is removed";
}

// A maker who publishes no English twin: an English reader is not shown the Russian text alone;
// it is removed at the next start, so that the check runs again when due and, once the twin is
// there, announces the new version.
TEST_P(VersionCheckRun, EnglishReaderWithoutTheTwinChecksAgainWhenDue) {
    std::map<std::string, std::string> env = Env();
    env["LC_ALL"] = env["LANG"] = "ru_RU.UTF-8";  // a last-check date this test can write
    Serve("Prog_1.0.txt", kNewer);
    StartTheCheck(env);
    ASSERT_TRUE(FileExists(settings() + "Prog_1.0_CNVTrue.txt"));
    ASSERT_FALSE(FileExists(settings() + "Prog_1.0_CNVTrueEng.txt")) << "the server has no twin";

    server_->ClearLog();
    ProcessResult result = Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button2", env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "");
    EXPECT_FALSE(FileExists(settings() + "Prog_1.0_CNVTrue.txt")) << "the lone description is removed";
    EXPECT_TRUE(server_->Log().empty()) << "not due yet";

    // Forty days on, the twin published: the check is due and runs.
    const std::time_t then = std::time(nullptr) - 40 * 24 * 3600;
    char date[16];
    std::strftime(date, sizeof date, "%d.%m.%Y", std::localtime(&then));
    WriteFile(settings() + "Prog_1.0_LastCheck.ini", std::string(date) + "\r\n10:00:00\r\n");
    std::remove((home_.temp() + "/Prog_1.0_CheckReady").c_str());
    Serve("Prog_1.0Eng.txt", kNewer);
    StartTheCheck(env);
    EXPECT_FALSE(server_->Log().empty()) << "the check ran again";
    ASSERT_TRUE(FileExists(settings() + "Prog_1.0_CNVTrueEng.txt"));

    result = Start({"0", "Prog", "1.0", "English", "", server_->Url(), ""}, "Button2", env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "UFormNewVerExists");
}

INSTANTIATE_TEST_SUITE_P(SettingsModes, VersionCheckRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

}  // namespace
