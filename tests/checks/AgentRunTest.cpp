// The agent starter: its argument list, the files it clears first, TEMP, and every way a run ends.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <chrono>
#include <optional>
#include <thread>

#include "checks/AgentRun.h"
#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WhenModal.h"

namespace {

using namespace kestrune;

class AgentRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        testsupport::WriteFile(app() + "/KV.Kestrune", "");
        ResetProgramValuesForTesting();
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
    }
    void TearDown() override {
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string temp() const { return home_.temp(); }
    std::string settings() const { return app() + "/Settings"; }

    // A stand-in agent: a script that records its arguments and TEMP, then does what body says.
    void FakeAgent(const std::string& body) {
        const std::string path = app() + "/Resource/Pellmark";
        testsupport::WriteFile(
            path, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" \"$TEMP\" > \"" + home_.root() + "/args\"\n" + body + "\n");
        chmod(path.c_str(), 0755);
    }
    std::string RecordedArguments() const { return testsupport::ReadFile(home_.root() + "/args"); }

    // Starts a run and lets the event loop turn until its answer arrives.
    std::optional<AgentRunResult> Run(AgentRequest request, bool* started = nullptr) {
        std::optional<AgentRunResult> answer;
        int answers = 0;
        const bool ok = StartAgent(request, [&](const AgentRunResult& result) {
            answer = result;
            ++answers;
        });
        if (started) *started = ok;
        EXPECT_FALSE(answer) << "the answer never comes inside the start";
        EXPECT_TRUE(testsupport::WaitFor(
            "the run's answer", [&] { return answer.has_value(); }, testsupport::TurnEventLoop));
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // a second answer would come now
        EXPECT_LE(answers, 1) << "one answer per run";
        return answer;
    }
    static AgentRequest Version(const std::string& url = "http://127.0.0.1:9/") {
        return {"Prog_1.0", url, kAgentVersionMode, kAgentTimeLimitMs, "UAU.011-001"};
    }

    ErrorCodeRecorder recorder_;
    std::vector<std::string>& errors = recorder_.codes;
    testsupport::IsolatedHome home_;
};

TEST_F(AgentRunTest, ArgumentsInBothSettingsModes) {
    FakeAgent("exit 0");
    auto answer = Run(Version("http://127.0.0.1:9/a b/"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->end, AgentEnd::Finished);
    EXPECT_EQ(RecordedArguments(), "5\nKV.Kestrune\nProg_1.0\nhttp://127.0.0.1:9/a b/\n-\n\n" + temp() + "\n")
        << "program-folder mode: five entries, the last one empty, the URL kept whole";

    UseAppData = true;  // the agent is told the per-program folder this program reads from
    answer = Run({"Messages", "http://127.0.0.1:9/$(x);", kAgentListMode, kAgentTimeLimitMs, "UMs.005-01"});
    ASSERT_TRUE(answer);
    EXPECT_EQ(RecordedArguments(),
              "5\nKV.Kestrune\\Prog\nMessages\nhttp://127.0.0.1:9/$(x);\nAutoComponents\nAppData\n" + temp() + "\n");
    EXPECT_TRUE(errors.empty());
}

TEST_F(AgentRunTest, EveryEndIsAnswered) {
    struct Case {
        const char* what;
        const char* script;  // nullptr: no agent file
        int limitMs;
        AgentEnd end;
        int exitCode;
    };
    const Case cases[] = {
        {"status 0", "exit 0", kAgentTimeLimitMs, AgentEnd::Finished, 0},
        {"status 1", "exit 1", kAgentTimeLimitMs, AgentEnd::Failed, 1},
        {"status 2", "exit 2", kAgentTimeLimitMs, AgentEnd::Failed, 2},
        {"crash", "kill -SEGV $$", kAgentTimeLimitMs, AgentEnd::Failed, -1},
        {"never ends", "exec sleep 30", 300, AgentEnd::TimedOut, -1},
        {"no agent file", nullptr, kAgentTimeLimitMs, AgentEnd::NotStarted, -1},
    };
    for (const Case& c : cases) {
        platform::RemoveFile(app() + "/Resource/Pellmark");
        if (c.script) FakeAgent(c.script);
        AgentRequest request = Version();
        request.timeLimitMs = c.limitMs;
        bool started = false;
        const auto answer = Run(request, &started);
        ASSERT_TRUE(answer) << c.what;
        EXPECT_EQ(answer->end, c.end) << c.what;
        EXPECT_EQ(answer->exitCode, c.exitCode) << c.what;
        EXPECT_EQ(started, c.script != nullptr) << c.what;
    }
    EXPECT_EQ(RunningAgentCount(), 0);
}

TEST_F(AgentRunTest, NotStartedWithoutPrefixUrlOrAProgram) {
    FakeAgent("exit 0");
    for (AgentRequest request : {AgentRequest{"", "http://h/", kAgentVersionMode, kAgentTimeLimitMs, "X"},
                                 AgentRequest{"P", "", kAgentVersionMode, kAgentTimeLimitMs, "X"}}) {
        const auto answer = Run(request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->end, AgentEnd::NotStarted);
    }
    EXPECT_FALSE(testsupport::FileExists(home_.root() + "/args"));

    // A file that cannot be run.
    testsupport::WriteFile(app() + "/Resource/Pellmark", "not a program");
    chmod((app() + "/Resource/Pellmark").c_str(), 0644);
    const auto answer = Run(Version());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->end, AgentEnd::NotStarted);
}

TEST_F(AgentRunTest, EarlierFlagsAndDescriptionsGoBeforeTheStart) {
    FakeAgent("ls \"$TEMP\" \"" + settings() + "\" > \"" + home_.root() + "/seen\"");
    const char* flags[] = {"Prog_1.0_CNVFalse", "Prog_1.0_CheckReady", "Prog_1.0_CAC_Ready"};
    for (const char* flag : flags) testsupport::WriteFile(temp() + "/" + flag, "");
    testsupport::WriteFile(settings() + "/Prog_1.0_CNVTrue.txt", "1.0\r\n");
    testsupport::WriteFile(settings() + "/Prog_1.0_CNVTrueEng.txt", "1.0\r\n");
    testsupport::WriteFile(settings() + "/Prog_1.0_CheckTrue", "");
    testsupport::WriteFile(temp() + "/Other_CheckReady", "");
    ASSERT_TRUE(Run(Version()));
    const std::string seen = testsupport::ReadFile(home_.root() + "/seen");
    for (const char* gone : {"Prog_1.0_CNVFalse", "Prog_1.0_CheckReady", "Prog_1.0_CAC_Ready", "Prog_1.0_CNVTrue"})
        EXPECT_EQ(seen.find(gone), std::string::npos) << gone << " in " << seen;
    EXPECT_NE(seen.find("Prog_1.0_CheckTrue"), std::string::npos) << "the user's choice stays";
    EXPECT_NE(seen.find("Other_CheckReady"), std::string::npos) << "another prefix's flag stays";

    // The list mode keeps its change mark and list: they are the check's memory.
    testsupport::WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "mark\r\n");
    testsupport::WriteFile(settings() + "/Messages.ini", "page\r\n");
    testsupport::WriteFile(temp() + "/Messages_CAC_Ready", "");
    ASSERT_TRUE(Run({"Messages", "http://h/", kAgentListMode, kAgentTimeLimitMs, "UMs.005-01"}));
    EXPECT_FALSE(testsupport::FileExists(temp() + "/Messages_CAC_Ready"));
    EXPECT_TRUE(testsupport::FileExists(settings() + "/Messages_CAC_LastEdit.ini"));
    EXPECT_TRUE(testsupport::FileExists(settings() + "/Messages.ini"));
}

// A relative TEMP is made absolute once, from the working folder, and both sides use it.
TEST_F(AgentRunTest, RelativeTempIsMadeAbsoluteOnce) {
    FakeAgent("exit 0");
    testsupport::ScopedEnv env;
    env.Set("TEMP", "reltemp");
    TempDirCache.clear();
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_TRUE(Run(Version()));
    const std::string absolute = std::string(cwd) + "/reltemp";
    EXPECT_EQ(TempDirCache, absolute);
    EXPECT_EQ(GetProgramPath(0, "x"), absolute + "\\x");
    const std::string args = RecordedArguments();
    EXPECT_EQ(args.substr(args.rfind('\n', args.size() - 2) + 1), absolute + "\n");
}

}  // namespace

namespace {

// The run's lock is held until its answer has been taken, and by the agent itself, so that an
// agent that outlives the program (here: a child the stand-in leaves running) still holds it.
TEST_F(AgentRunTest, TheRunLockLastsAsLongAsTheAgent) {
    const std::string lockFile = settings() + "/Prog_1.0_CheckRun.lock";
    const std::string go = home_.root() + "/go";
    const struct {
        const char* what;
        std::string script;
        bool heldAfterTheAnswer;
    } cases[] = {
        {"an agent that ends", "exit 0", false},
        {"an agent that outlives its answer", "(while [ ! -e '" + go + "' ]; do sleep 0.02; done) &\nexit 0", true},
        {"an agent that cannot start", "", false},
    };
    platform::CreateDirectories(settings());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::RemoveFile(go);
        platform::RemoveFile(app() + "/Resource/Pellmark");
        if (!c.script.empty()) FakeAgent(c.script);
        auto lock = std::make_unique<platform::FileLock>(lockFile, 0);
        ASSERT_TRUE(lock->held());
        bool heldAtTheAnswer = false;
        bool answered = false;
        StartAgent(
            Version(),
            [&](const AgentRunResult&) {
                heldAtTheAnswer = platform::IsFileLocked(lockFile);
                answered = true;
            },
            std::move(lock));
        ASSERT_TRUE(testsupport::WaitFor(
            "the run's answer", [&] { return answered; }, testsupport::TurnEventLoop));
        QCoreApplication::processEvents();
        EXPECT_TRUE(heldAtTheAnswer) << "the answer is taken under the lock";
        EXPECT_EQ(platform::IsFileLocked(lockFile), c.heldAfterTheAnswer);
        testsupport::WriteFile(go, "");
        EXPECT_TRUE(testsupport::WaitFor("the lock to go with its last holder",
                                         [&] { return !platform::IsFileLocked(lockFile); }));
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace
