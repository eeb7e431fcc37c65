// A whole version check of the agent (start, two downloads, two result files, two flags) against
// the loopback server, beside the curl tool fetching the same two files. Both are timed in the
// same loop, one after the other, and the ratio of their medians is reported as "ratio".
//
//   build/bench/agent/kestrune_agent_bench

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"

extern char** environ;

namespace {

// Runs a program to its end and answers its wall time in seconds.
double TimedRun(std::vector<std::string> argv) {
    std::vector<char*> argp;
    for (auto& arg : argv) argp.push_back(arg.data());
    argp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(argv[0] + " failed");
    return std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void BM_VersionCheckAgainstCurl(benchmark::State& state) {
    testsupport::ScratchFolder scratch;
    testsupport::IsolatedHome home;
    testsupport::ScopedEnv env;
    env.Set("no_proxy", "*");
    const std::string docroot = scratch / "www";
    const std::string prefix = "Prog_1.2";
    testsupport::WriteFile(docroot + "/" + prefix + ".txt", std::string(2048, 'r'));
    testsupport::WriteFile(docroot + "/" + prefix + "Eng.txt", std::string(2048, 'e'));
    agenttest::LoopbackServer server(docroot, scratch / "requests.log");
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app");
    const std::string agent = scratch / "app/Resource/Pellmark";
    const std::vector<std::string> agentArgs{agent, "KV.Kestrune", prefix, server.Url(), "-"};
    const std::vector<std::string> curlArgs{"/usr/bin/curl", "-s", "-f", "-o", scratch / "a.txt",
                                            server.Url(prefix + ".txt"), "-o", scratch / "b.txt",
                                            server.Url(prefix + "Eng.txt")};

    std::vector<double> agentTimes, curlTimes;
    for (auto _ : state) {
        const double agentTime = TimedRun(agentArgs);
        const double curlTime = TimedRun(curlArgs);
        agentTimes.push_back(agentTime);
        curlTimes.push_back(curlTime);
        state.SetIterationTime(agentTime);
    }
    const double agentMedian = Median(agentTimes);
    const double curlMedian = Median(curlTimes);
    state.counters["agent_ms"] = agentMedian * 1000;
    state.counters["curl_ms"] = curlMedian * 1000;
    state.counters["ratio"] = agentMedian / curlMedian;
}
BENCHMARK(BM_VersionCheckAgainstCurl)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
