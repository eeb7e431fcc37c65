// A whole version check of the agent (start, two downloads, two result files, two flags) against
// the loopback server, beside the curl tool fetching the same two files. Both are run in the same
// loop, one after the other, and the ratios of their medians are reported:
//
//   wall_ratio  wall time, agent over curl   (goal: small pair <= 1.0, 8 MiB pair <= 1.2)
//   cpu_ratio   user + system time
//   mem_ratio   peak resident memory          (goal: <= 1.05)
//
//   build/bench/agent/kestrune_agent_bench

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>

#include "bench/support/ProcessTiming.h"
#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using benchsupport::Median;

void VersionCheckAgainstCurl(benchmark::State& state, std::size_t bodyBytes) {
    testsupport::ScratchFolder scratch;
    testsupport::IsolatedHome home;
    testsupport::ScopedEnv env;
    env.Set("no_proxy", "*");
    const std::string docroot = scratch / "www";
    const std::string prefix = "Prog_1.2";
    testsupport::WriteFile(docroot + "/" + prefix + ".txt", std::string(bodyBytes, 'r'));
    testsupport::WriteFile(docroot + "/" + prefix + "Eng.txt", std::string(bodyBytes, 'e'));
    agenttest::LoopbackServer server(docroot, scratch / "requests.log");
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app");
    const std::string agent = scratch / "app/Resource/Pellmark";
    const std::vector<std::string> agentArgs{agent, "KV.Kestrune", prefix, server.Url(), "-"};
    // clang-format off
    const std::vector<std::string> curlArgs{"/usr/bin/curl", "-s", "-f",
                                            "-o", scratch / "a.txt", server.Url(prefix + ".txt"),
                                            "-o", scratch / "b.txt", server.Url(prefix + "Eng.txt")};
    // clang-format on

    std::vector<double> agentWall, curlWall, agentCpu, curlCpu, agentPeak, curlPeak;
    for (auto _ : state) {
        benchsupport::RunCost a, c;
        try {
            a = benchsupport::TimedRun(agentArgs);
            c = benchsupport::TimedRun(curlArgs);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        agentWall.push_back(a.seconds);
        curlWall.push_back(c.seconds);
        agentCpu.push_back(a.cpuSeconds);
        curlCpu.push_back(c.cpuSeconds);
        agentPeak.push_back(a.peakMiB);
        curlPeak.push_back(c.peakMiB);
        state.SetIterationTime(a.seconds);
    }
    state.counters["agent_ms"] = Median(agentWall) * 1000;
    state.counters["curl_ms"] = Median(curlWall) * 1000;
    state.counters["wall_ratio"] = Median(agentWall) / Median(curlWall);
    state.counters["cpu_ratio"] = Median(agentCpu) / std::max(Median(curlCpu), 1e-6);
    state.counters["agent_MiB"] = Median(agentPeak);
    state.counters["curl_MiB"] = Median(curlPeak);
    state.counters["mem_ratio"] = Median(agentPeak) / Median(curlPeak);
}

// Two descriptions of 2 KiB: the cost of starting and of the files around the downloads.
void BM_VersionCheckSmall(benchmark::State& state) { VersionCheckAgainstCurl(state, 2048); }
BENCHMARK(BM_VersionCheckSmall)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Two bodies of 8 MiB, the largest the agent takes: the cost of receiving and storing.
void BM_VersionCheckLarge(benchmark::State& state) { VersionCheckAgainstCurl(state, 8u << 20); }
BENCHMARK(BM_VersionCheckLarge)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
