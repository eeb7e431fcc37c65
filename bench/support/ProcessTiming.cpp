#include "bench/support/ProcessTiming.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace benchsupport {

namespace {

// The environment with the extra variables in place of any of the same name.
std::vector<std::string> Environment(const std::map<std::string, std::string>& extraEnv) {
    std::vector<std::string> envText;
    for (char** entry = environ; *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        const std::string name = eq ? std::string(*entry, static_cast<std::size_t>(eq - *entry)) : std::string(*entry);
        if (!extraEnv.count(name)) envText.emplace_back(*entry);
    }
    for (const auto& [name, value] : extraEnv) envText.push_back(name + "=" + value);
    return envText;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// VmHWM of a live process in KiB; -1 when /proc has none (the memory is gone already).
long PeakKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; }

}  // namespace

RunCost TimedRun(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv) {
    std::vector<std::string> args = argv;
    std::vector<char*> argp = Pointers(args);
    std::vector<std::string> envText = Environment(extraEnv);
    std::vector<char*> envp = Pointers(envText);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("cannot start " + argv[0]);
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(126);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }

    // The exec stops the traced child once (SIGTRAP); from then on it is held again at its exit,
    // and at any further exec of its own (a launcher such as valgrind), which is let go on.
    long peakKiB = -1;
    int status = 0;
    rusage usage{};
    bool first = true;
    for (;;) {
        if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("lost the child " + argv[0]);
        if (!WIFSTOPPED(status)) break;
        int deliver = 0;
        if (first && WSTOPSIG(status) == SIGTRAP) {
            ptrace(PTRACE_SETOPTIONS, pid, nullptr,
                   reinterpret_cast<void*>(PTRACE_O_TRACEEXIT | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL));
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXEC << 8))) {
            // nothing to pass on
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            peakKiB = PeakKiB(pid);
        } else {
            deliver = WSTOPSIG(status);  // a signal for the child: pass it on
        }
        first = false;
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(deliver)));
    }
    const auto end = std::chrono::steady_clock::now();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126) throw std::runtime_error("cannot trace " + argv[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(argv[0] + " failed");
    if (peakKiB < 0) throw std::runtime_error("no peak memory read for " + argv[0]);
    return {std::chrono::duration<double>(end - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            static_cast<double>(peakKiB) / 1024.0};
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace benchsupport
