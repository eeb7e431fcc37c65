// A whole due new-version check: the due test, the last-check file, the start of the real agent
// against the loopback server, its answer and the status line, beside the same agent run alone.
// Both are timed in one loop; "ratio" is the check's median over the agent's. The check timer's
// 500 ms poll is left out: the check's answer is taken as soon as the agent has ended.
//
//   build/bench/checks/kestrune_checks_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "bench/support/ProcessTiming.h"
#include "checks/AgentRun.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "language/LangProcessor.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune;

using benchsupport::Median;

void BM_DueCheckBesideTheAgent(benchmark::State& state) {
    testsupport::ScratchFolder scratch;
    testsupport::IsolatedHome home;
    testsupport::ScopedEnv env;
    env.Set("no_proxy", "*");
    const std::string prefix = "Prog_1.0";
    testsupport::WriteFile(scratch / "www/Prog_1.0.txt", "1.0\r\nd\r\nhttp://h/\r\n10\r\n");
    agenttest::LoopbackServer server(scratch / "www", scratch / "requests.log");
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app");
    platform::SetExecutablePathForTesting(scratch / "app/KV.Kestrune");
    SetErrorHandler([](const std::string&) {});
    TempDirCache.clear();  // each run of the benchmark has its own scratch TEMP
    FilePrefix = prefix;
    CallingProgramVersion = "1.0";
    CurrentLanguage = "Russian";
    CheckUrl = server.Url();
    platform::SetNetworkConnectedForTesting(1);
    LoadSettingsUAU(nullptr);

    std::vector<double> checkTimes, agentTimes;
    for (auto _ : state) {
        platform::RemoveFile(GetProgramPath(2, "") + prefix + "_LastCheck.ini");
        VersionCheckBegun = false;
        QTimer timer;
        timer.setInterval(500);
        const auto start = std::chrono::steady_clock::now();
        AutoUpdateAction(1, 0, &timer);
        // Sleeps until an event comes (the agent's end is one), as the program's own loop does.
        while (RunningAgentCount() > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        AutoUpdateAction(0, 0, &timer);
        AutoUpdateAction(2, 0, &timer);
        const double checkTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string expected;
        FormatStatusText(StatusTextNoNewVersion, LastCheckDateText(prefix), expected);
        if (UpdateStatusText != " " + expected) {
            state.SkipWithError(("not the no-new-version status: " + UpdateStatusText).c_str());
            break;
        }

        // The same run in the AppData mode, so it leaves nothing in the check's settings folder.
        const auto agentStart = std::chrono::steady_clock::now();
        QProcess agent;
        agent.start(
            QString::fromStdString(scratch / "app/Resource/Pellmark"),
            {"KV.Kestrune", QString::fromStdString(prefix), QString::fromStdString(server.Url()), "-", "AppData"});
        agent.waitForFinished(30000);
        const double agentTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - agentStart).count();

        checkTimes.push_back(checkTime);
        agentTimes.push_back(agentTime);
        state.SetIterationTime(checkTime);
    }
    if (checkTimes.empty()) return;
    state.counters["check_ms"] = Median(checkTimes) * 1000;
    state.counters["agent_ms"] = Median(agentTimes) * 1000;
    state.counters["ratio"] = Median(checkTimes) / Median(agentTimes);
    platform::SetExecutablePathForTesting("");
}
BENCHMARK(BM_DueCheckBesideTheAgent)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
