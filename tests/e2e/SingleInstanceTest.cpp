// Real copies of the program running side by side under one scratch home: a later start finds
// the copies that run, announces one of another version, and a killed copy blocks nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

constexpr const char* kNewerText = "A newer version of the program is already running!";
constexpr const char* kOlderText = "An older version of the program is already running!";

class RunningCopies : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), folder("current"));
        CopyTree(AppDir(), folder("newer"));
        // The same program built as a later version: its version text, patched in place.
        std::string program = ReadFile(folder("newer") + "/KV.Kestrune");
        ASSERT_NE(program.find("1.0.3.2k.lang"), std::string::npos);
        for (auto at = program.find("1.0.3.2k.lang"); at != std::string::npos; at = program.find("1.0.3.2k.lang", at))
            program.replace(at, 13, "1.0.9.2k.lang");
        WriteFile(folder("newer") + "/KV.Kestrune", program);
        std::filesystem::permissions(folder("newer") + "/KV.Kestrune", std::filesystem::perms::owner_all);
        for (const char* name : {"current", "newer"})
            WriteFile(folder(name) + "/Settings/ULangSettings.ini", "[Settings]\r\nLanguage=English\r\n");
    }
    void TearDown() override {
        for (const pid_t pid : running_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::string folder(const std::string& name) const { return home_.root() + "/" + name; }
    std::string entries() const { return home_.runtime() + "/KV.Kestrune/copies"; }

    // A copy that shows the settings window and stays until it is killed; answers once it has
    // put its host window into the list of running copies.
    pid_t StartStayingCopy(const std::string& name) {
        std::vector<std::string> argv{folder(name) + "/KV.Kestrune", "", "Prog", "1.0", "English"};
        std::vector<std::string> env;
        for (char** entry = environ; *entry; ++entry) env.emplace_back(*entry);
        env.insert(env.end(), {"QT_QPA_PLATFORM=offscreen", "KESTRUNE_MESSAGEBOX_ANSWER=1", "no_proxy=*"});
        std::vector<char*> argp, envp;
        for (auto& text : argv) argp.push_back(text.data());
        for (auto& text : env) envp.push_back(text.data());
        argp.push_back(nullptr);
        envp.push_back(nullptr);
        const std::string log = home_.root() + "/" + name + "-" + std::to_string(running_.size()) + ".err";
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int in = open("/dev/null", O_RDONLY);
            dup2(in, 0);
            dup2(out, 1);
            dup2(out, 2);
            execve(argp[0], argp.data(), envp.data());
            _exit(127);
        }
        running_.push_back(pid);
        logs_[pid] = log;
        return pid;
    }
    ::testing::AssertionResult WaitListed(pid_t pid) {
        const std::string entry = entries() + "/" + std::to_string(pid) + "-1.copy";
        return testsupport::WaitFor("the running copy's entry " + entry, [&] { return FileExists(entry); });
    }
    void Kill(pid_t pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::erase(running_, pid);
    }
    // A start whose job ends at its first tick.
    ProcessResult QuickStart(const std::string& name) {
        return RunProcess({folder(name) + "/KV.Kestrune", "0", "Quick", "2.0", "English"},
                          {{"KESTRUNE_MESSAGEBOX_ANSWER", "1"}}, 30000);
    }
    static int Count(const std::string& text, const std::string& what) {
        int count = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
        return count;
    }

    IsolatedHome home_;
    std::vector<pid_t> running_;
    std::map<pid_t, std::string> logs_;
};

TEST_F(RunningCopies, AStartBesideACopyOfAnotherVersionSaysWhichIsNewer) {
    const pid_t newer = StartStayingCopy("newer");
    ASSERT_TRUE(WaitListed(newer)) << ReadFile(logs_[newer]);

    ProcessResult result = QuickStart("current");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Count(result.err, "message box"), 1) << result.err;
    EXPECT_NE(result.err.find("[KV.Kestrune 1.0.3.2k.lang - Warning...] flags 0x1030: " + std::string(kNewerText)),
              std::string::npos)
        << result.err;

    // The restart switch lets a start pass the check (without a program name the run then ends).
    const ProcessResult relaunch =
        RunProcess({folder("current") + "/KV.Kestrune", "/ErrorReLaunch"}, {{"KESTRUNE_MESSAGEBOX_ANSWER", "1"}});
    EXPECT_FALSE(relaunch.timedOut);
    EXPECT_EQ(relaunch.err.find("message box"), std::string::npos) << relaunch.err;

    Kill(newer);
    const pid_t current = StartStayingCopy("current");
    ASSERT_TRUE(WaitListed(current)) << ReadFile(logs_[current]);
    result = QuickStart("newer");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("[KV.Kestrune 1.0.9.2k.lang - Warning...] flags 0x1030: " + std::string(kOlderText)),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ReadFile(logs_[current]).find("message box"), std::string::npos);
}

// Two copies of one version started at once find each other silently; a later copy of another
// version sees both windows.
TEST_F(RunningCopies, TwoStartsAtOnceOfOneVersionRunSideBySide) {
    const pid_t first = StartStayingCopy("current");
    const pid_t second = StartStayingCopy("current");
    ASSERT_TRUE(WaitListed(first)) << ReadFile(logs_[first]);
    ASSERT_TRUE(WaitListed(second)) << ReadFile(logs_[second]);
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0);
    EXPECT_EQ(waitpid(second, nullptr, WNOHANG), 0);

    const ProcessResult same = QuickStart("current");
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.err.find("message box"), std::string::npos) << same.err;
    int status = 0;
    EXPECT_EQ(waitpid(first, &status, WNOHANG), 0) << status;
    EXPECT_EQ(waitpid(second, &status, WNOHANG), 0) << status;

    const ProcessResult newer = QuickStart("newer");
    EXPECT_EQ(newer.exitCode, 0) << newer.err;
    EXPECT_EQ(Count(newer.err, kOlderText), 2) << newer.err;
    for (const pid_t pid : {first, second}) EXPECT_EQ(ReadFile(logs_[pid]).find("message box"), std::string::npos);
}

TEST_F(RunningCopies, AKilledCopyLeavesNothingThatBlocks) {
    const pid_t newer = StartStayingCopy("newer");
    ASSERT_TRUE(WaitListed(newer)) << ReadFile(logs_[newer]);
    Kill(newer);
    ASSERT_TRUE(FileExists(entries() + "/" + std::to_string(newer) + "-1.copy"));  // left as a crash leaves it

    for (const char* name : {"current", "newer"}) {
        SCOPED_TRACE(name);
        const ProcessResult result = QuickStart(name);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err.find("message box"), std::string::npos) << result.err;
    }
    // A copy that finishes its run leaves no entry behind.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(entries()))
        if (entry.path().filename().string().rfind(std::to_string(newer) + "-", 0) != 0)
            left.push_back(entry.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
