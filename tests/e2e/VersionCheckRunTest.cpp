// Whole starts of the built program with its real agent against the loopback HTTP server: a
// start begins the new-version check, the agent leaves its answer, and the next start announces
// a newer version in the new-version window, in both settings modes.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

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
    void Behave(const std::string& name, const std::string& how) {
        WriteFile(home_.root() + "/www/" + name + ".how", how + "\n");
    }
    std::vector<std::string> Params(const char* mode) const {
        return {mode, "Prog", "1.0", "English", "", server_->Url(), ""};
    }
    // A start that opens the settings window; its OK or Cancel closes it at its first paint.
    // Answers the update frame's status line as it stood then.
    std::string SettingsStart(const char* button = "ButtonOk") {
        std::map<std::string, std::string> env = Env();
        env["KESTRUNE_DRIVER_TEXTS"] = "Panel2";
        const ProcessResult result = Start(Params("1"), button, env);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), "FormSettings");
        const std::string report = ReadFile(this->report());
        const std::size_t status = report.find("|Panel2=");
        return status == std::string::npos ? report : report.substr(status + 8);
    }
    // The copies of the agent of this program folder that are running (not yet ended).
    std::vector<pid_t> RunningAgents() const {
        namespace fs = std::filesystem;
        std::vector<pid_t> agents;
        std::error_code error;
        const fs::path agent = fs::canonical(app() + "/Resource/Pellmark", error);
        for (const auto& entry : fs::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
            if (exe != agent || error) continue;
            const std::string stat = ReadFile(entry.path().string() + "/stat");
            const std::size_t end = stat.rfind(')');
            if (end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'Z') continue;
            agents.push_back(static_cast<pid_t>(std::stol(name)));
        }
        return agents;
    }
    void WaitForTheAgentsToEnd() {
        EXPECT_TRUE(WaitFor("every agent run to end", [&] { return RunningAgents().empty(); }));
    }
    void ForgetTheLastCheck() {
        std::remove((settings() + "Prog_1.0_LastCheck.ini").c_str());
        std::remove((home_.temp() + "/Prog_1.0_CheckReady").c_str());
    }

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

const char* kSameVersion = "1.0\r\n01.02.2026\r\nhttp://127.0.0.1:1/\r\n10\r\n";

bool Reads(const std::string& status, const std::string& text) { return status.find(text) != std::string::npos; }

// A description of the running version, stored by the agent while the settings window opens, or
// standing there already when it opens: the check at start stays on, OK stores it on, and every
// later start reads "no new versions". Repeated, since the agent and the window race.
TEST_P(VersionCheckRun, ASameVersionAnswerNeverSwitchesTheCheckOff) {
    Serve("Prog_1.0.txt", kSameVersion);
    Serve("Prog_1.0Eng.txt", kSameVersion);
    const struct {
        bool storedBefore;  // the description stands in the settings folder before the start
        bool due;           // the check is due, so the start runs the agent
    } rounds[] = {{false, true}, {true, false}, {false, true}, {true, true}, {false, true}, {false, false}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(std::string(round.storedBefore ? "stored before the start" : "served") +
                     (round.due ? ", due" : ", not due"));
        if (round.due) ForgetTheLastCheck();
        if (round.storedBefore) {
            WriteFile(settings() + "Prog_1.0_CNVTrue.txt", std::string(kSameVersion) + "\r\n");
            WriteFile(settings() + "Prog_1.0_CNVTrueEng.txt", std::string(kSameVersion) + "\r\n");
        }
        const std::string status = SettingsStart();
        EXPECT_FALSE(Reads(status, "switched off")) << status;
        EXPECT_FALSE(Reads(status, "NEW VERSION")) << status;
        EXPECT_NE(ReadFile(settings() + "UAUSettings.ini").find("UUCheckEnabled=1"), std::string::npos)
            << ReadFile(settings() + "UAUSettings.ini");
        WaitForTheAgentsToEnd();
        const std::string later = SettingsStart("ButtonCancel");
        EXPECT_TRUE(Reads(later, "Update check: no new versions [ ")) << later;
    }
}

// A server that fails (500, 503) is a check that could not be made, also at a later start that
// is not yet due; never "no new versions".
TEST_P(VersionCheckRun, AServerErrorReadsAsFailedAtLaterStarts) {
    for (const char* how : {"status 500", "status 503"}) {
        SCOPED_TRACE(how);
        ForgetTheLastCheck();
        Serve("Prog_1.0.txt", kNewer);
        Behave("Prog_1.0.txt", how);
        StartTheCheck();
        WaitForTheAgentsToEnd();
        for (int start = 0; start < 2; ++start) {
            const std::string status = SettingsStart("ButtonCancel");
            EXPECT_TRUE(Reads(status, "Update check: the check could not be made [ ")) << status;
        }
        EXPECT_FALSE(FileExists(settings() + "Prog_1.0_CNVTrue.txt"));
    }
}

// A jobless start whose agent is still asking the server: a later start reads the check as under
// way, not as failed; once the agent has been killed, a later start reads it as failed.
TEST_P(VersionCheckRun, AnAgentKilledOnItsWayReadsAsFailed) {
    std::map<std::string, std::string> env = Env();
    env["KESTRUNE_AGENT_LIMITS"] = "connect=2,stall=100,run=100";
    Serve("Prog_1.0.txt", kNewer);
    Behave("Prog_1.0.txt", "stall-head");
    const ProcessResult result = Start(Params("0"), "Button2", env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ASSERT_TRUE(WaitFor("the agent to ask the server", [&] { return !server_->Log().empty(); }));
    ASSERT_EQ(RunningAgents().size(), 1u);

    const std::string meanwhile = SettingsStart("ButtonCancel");
    EXPECT_TRUE(Reads(meanwhile, "Update check: querying for new versions...")) << meanwhile;
    EXPECT_EQ(RunningAgents().size(), 1u) << "no second run while the first one goes";

    for (const pid_t agent : RunningAgents()) kill(agent, SIGKILL);
    WaitForTheAgentsToEnd();
    const std::string later = SettingsStart("ButtonCancel");
    EXPECT_TRUE(Reads(later, "Update check: the check could not be made [ ")) << later;
}

// Twenty copies of one caller start at once against a good server, a few rounds: the newer
// version's description is fetched, judged and kept; no copy reads or removes it half-way, and no
// failure marker is left.
TEST_P(VersionCheckRun, TwentySimultaneousStartsLeaveOneWholeAnswer) {
    Serve("Prog_1.0.txt", kNewer);
    Serve("Prog_1.0Eng.txt", kNewer);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::remove((settings() + "UAUSettings.ini").c_str());  // a known new version switches the check off
        for (const char* stale : {"_CNVTrue.txt", "_CNVTrueEng.txt", "_CheckTrue", "_CheckFailed"})
            std::remove((settings() + "Prog_1.0" + stale).c_str());
        ForgetTheLastCheck();
        std::vector<ProcessResult> results(20);
        std::vector<std::thread> copies;
        for (std::size_t i = 0; i < results.size(); ++i) {
            copies.emplace_back([&, i] {
                std::map<std::string, std::string> env = Env();
                env["QT_QPA_PLATFORM"] = "offscreen";
#ifdef KESTRUNE_MODAL_DRIVER
                env["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
#endif
                env["KESTRUNE_DRIVER_REPORT"] = home_.root() + "/report-" + std::to_string(i);
                env["KESTRUNE_DRIVER_ACTION"] = "Button2";  // remind later, when a copy announces it
                std::vector<std::string> argv{app() + "/KV.Kestrune"};
                const std::vector<std::string> params = Params("0");
                argv.insert(argv.end(), params.begin(), params.end());
                results[i] = RunProcess(argv, env, kStateDeadlineMs);
            });
        }
        for (std::thread& copy : copies) copy.join();
        for (const ProcessResult& result : results) {
            EXPECT_FALSE(result.timedOut);
            EXPECT_EQ(result.exitCode, 0) << result.err;
        }
        WaitForTheAgentsToEnd();
        EXPECT_FALSE(FileExists(settings() + "Prog_1.0_CheckFailed")) << "every request got its answer";
        EXPECT_EQ(ReadFile(settings() + "Prog_1.0_CNVTrue.txt"), std::string(kNewer) + "\r\n");
        EXPECT_EQ(ReadFile(settings() + "Prog_1.0_CNVTrueEng.txt"), std::string(kNewer) + "\r\n");
        // The next start announces it.
        const ProcessResult next = Start(Params("0"), "Button2", Env());
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_EQ(shownWindow(), "UFormNewVerExists");
    }
}

INSTANTIATE_TEST_SUITE_P(SettingsModes, VersionCheckRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

}  // namespace
