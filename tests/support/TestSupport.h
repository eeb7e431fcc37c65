#pragma once
// Helpers shared by the tests: scratch folders, environment overrides and child processes.

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under /tmp, removed at the end unless the test failed (kept for inspection).
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Puts a value into one of the program's hooks (a setter that answers the value it replaced) for
// the lifetime of the scope, and puts the replaced value back at its end.
template <class T>
class ScopedHook {
public:
    ScopedHook(T (*replace)(T), T value) : replace_(replace), previous_(replace(std::move(value))) {}
    ~ScopedHook() { replace_(std::move(previous_)); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    T (*replace_)(T);
    T previous_;
};

// Sets (or, with nullopt, removes) environment variables and restores them at the end.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();
    void Set(const std::string& name, const std::optional<std::string>& value);

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME, XDG_CONFIG_DIRS, XDG_RUNTIME_DIR,
// TEMP and the registry store into a scratch folder, so that nothing a test does reaches the real
// home folder, the machine's configuration, the registry store or the copies of the program that
// run outside.
class IsolatedHome {
public:
    IsolatedHome();
    const std::string& root() const { return scratch_.path(); }
    std::string home() const { return scratch_ / "home"; }
    std::string appData() const { return scratch_ / "home/.config"; }
    std::string temp() const { return scratch_ / "tmp"; }
    std::string registry() const { return scratch_ / "registry"; }
    std::string systemConfig() const { return scratch_ / "xdg"; }
    std::string runtime() const { return scratch_ / "run"; }

private:
    ScratchFolder scratch_;
    ScopedEnv env_;
};

// The deadline of a wait on a state: generous, so that a busy machine never reaches it.
constexpr int kStateDeadlineMs = 60000;

struct ProcessResult {
    int exitCode = -1;  // exit status, or -1 when killed by a signal or the time limit
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs a program with an argument list (argv[0] included) and extra environment variables,
// killing it after timeoutMs. The child's standard input is /dev/null.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv = {},
                         int timeoutMs = kStateDeadlineMs);

std::string ReadFile(const std::string& path);  // empty when missing
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);  // makes the parents
void CopyTree(const std::string& from, const std::string& to);
// The built program folder (app/ in the build tree).
std::string AppDir();
std::string SourceDir();
// Debian's own python3, which sees Debian's python3-* packages.
std::string SystemPython();

// Waits on a state, never a fixed time: looks at done() until it holds, calling step() between
// looks (in Qt tests TurnEventLoop, so timers and answers arrive; empty: a 20 ms sleep). A deadline
// that is reached answers a failure saying what was awaited:
//   ASSERT_TRUE(WaitFor("the check timer to stop", [&] { return !timer.isActive(); }, TurnEventLoop));
::testing::AssertionResult WaitFor(const std::string& what, const std::function<bool()>& done,
                                   const std::function<void()>& step = {}, int deadlineMs = kStateDeadlineMs);

// A local date and time for the clock seams (platform::SetLocalTimeForTesting), in plain numbers.
struct Moment {
    int year, month, day, hour = 0, minute = 0, second = 0;
};
std::tm AsTm(const Moment& moment);

}  // namespace testsupport
