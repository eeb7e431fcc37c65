#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace testsupport {

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kestrune-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info && info->result() && info->result()->Failed()) {
        std::fprintf(stderr, "kept the scratch folder %s\n", path_.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ScopedEnv::~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
}

void ScopedEnv::Set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
}

IsolatedHome::IsolatedHome() {
    fs::create_directories(appData());
    fs::create_directories(temp());
    fs::create_directories(registry());
    env_.Set("HOME", home());
    env_.Set("XDG_CONFIG_HOME", appData());
    env_.Set("XDG_DATA_HOME", scratch_ / "home/.local/share");
    env_.Set("XDG_CACHE_HOME", scratch_ / "home/.cache");
    env_.Set("TEMP", temp());
    env_.Set("TMPDIR", temp());
    env_.Set("KESTRUNE_REGISTRY", registry());
    env_.Set("KESTRUNE_REGISTRY_DENY_WRITE", std::nullopt);
    // The machine-wide autostart folder and the runtime folder of running copies.
    fs::create_directories(scratch_ / "xdg");
    fs::create_directories(runtime());
    fs::permissions(runtime(), fs::perms::owner_all);
    env_.Set("XDG_CONFIG_DIRS", scratch_ / "xdg");
    env_.Set("XDG_RUNTIME_DIR", runtime());
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv,
                         int timeoutMs) {
    ProcessResult result;
    std::map<std::string, std::string> env{{"QT_QPA_PLATFORM", "offscreen"}, {"no_proxy", "*"}};
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        const auto eq = text.find('=');
        if (eq != std::string::npos) env.insert_or_assign(text.substr(0, eq), text.substr(eq + 1));
    }
    for (const auto& [name, value] : extraEnv) env[name] = value;
    std::vector<std::string> envTexts;
    for (const auto& [name, value] : env) envTexts.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envTexts) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& arg : args) argp.push_back(arg.data());
    argp.push_back(nullptr);

    int outPipe[2], errPipe[2];
    // Close-on-exec: only the child's standard output and error (dup2 clears the flag there) reach
    // the pipes, so that a program the child starts and leaves running (the check agent) never
    // holds them open, and a child started from another thread never inherits them.
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        result.err = "cannot start " + argv[0];
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool outOpen = true, errOpen = true;
    int status = 0;
    bool exited = false;
    while (!exited) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        poll(fds, 2, 20);
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents & (POLLIN | POLLHUP)) {
                std::string& into = i == 0 ? result.out : result.err;
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) into.append(buffer, static_cast<std::size_t>(n));
                else (i == 0 ? outOpen : errOpen) = false;
            }
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) exited = true;
        else if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            exited = true;
        }
    }
    // Whatever is still buffered in the pipes.
    for (int fd : {outPipe[0], errPipe[0]}) {
        std::string& into = fd == outPipe[0] ? result.out : result.err;
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) into.append(buffer, static_cast<std::size_t>(n));
        close(fd);
    }
    (void)outOpen;
    (void)errOpen;
    if (WIFEXITED(status) && !result.timedOut) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::symlink_status(path, ignored).type() != fs::file_type::not_found;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void CopyTree(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::string AppDir() { return KESTRUNE_APP_DIR; }

std::string SourceDir() { return KESTRUNE_SOURCE_DIR; }

std::string SystemPython() { return "/usr/bin/python3"; }

::testing::AssertionResult WaitFor(const std::string& what, const std::function<bool()>& done,
                                   const std::function<void()>& step, int deadlineMs) {
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(deadlineMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return ::testing::AssertionFailure() << "still waiting after " << deadlineMs / 1000 << " s for " << what;
        if (step) step();
        else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ::testing::AssertionSuccess();
}

std::tm AsTm(const Moment& moment) {
    std::tm time{};
    time.tm_year = moment.year - 1900;
    time.tm_mon = moment.month - 1;
    time.tm_mday = moment.day;
    time.tm_hour = moment.hour;
    time.tm_min = moment.minute;
    time.tm_sec = moment.second;
    return time;
}

}  // namespace testsupport
