// The start of KV.Kestrune beside a bare Qt Widgets program that shows a window of the same size:
// a mode-0 run (start-up services, first paint, the job timer, exit) beside a bare 151 x 498
// window, and a mode-1 run that paints the settings window and has it closed at once (by the
// modal driver of the end-to-end tests) beside a bare 540 x 162 window. Runs alternate; the
// ratios of the medians of wall time and of peak memory are printed, the wall-time ratio once
// more without the 100 ms that the host window's job timer always waits, and that of CPU time.
//
//   build/bench/start/kestrune_start_bench [runs]
#include <cstdio>
#include <cstdlib>
#include <map>

#include "bench/support/ProcessTiming.h"
#include "tests/support/TestSupport.h"

namespace {

struct Series {
    std::vector<double> seconds, cpuSeconds, mebibytes;
    void Add(const benchsupport::RunCost& cost) {
        seconds.push_back(cost.seconds);
        cpuSeconds.push_back(cost.cpuSeconds);
        mebibytes.push_back(cost.peakMiB);
    }
};

// The host window's job timer: the job starts 100 ms after the first paint, whatever the
// machine. Taken out of KV.Kestrune's wall time, the rest is what the start itself costs.
constexpr double kJobTimerMs = 100;

void Report(const char* name, const Series& program, const Series& bare) {
    const double ms = benchsupport::Median(program.seconds) * 1000, bareMs = benchsupport::Median(bare.seconds) * 1000;
    const double mib = benchsupport::Median(program.mebibytes), bareMib = benchsupport::Median(bare.mebibytes);
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f  %8.1f ms  %5.2f  %7.1f MiB %7.1f MiB  %5.2f\n", name, ms, bareMs,
                ms / bareMs, ms - kJobTimerMs, (ms - kJobTimerMs) / bareMs, mib, bareMib, mib / bareMib);
}

// CPU time waits for nothing (neither the timer nor the disk), so it varies least on a busy machine.
void ReportCpu(const char* name, const Series& program, const Series& bare) {
    const double ms = benchsupport::Median(program.cpuSeconds) * 1000;
    const double bareMs = benchsupport::Median(bare.cpuSeconds) * 1000;
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f\n", name, ms, bareMs, ms / bareMs);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    testsupport::ScratchFolder scratch;
    testsupport::IsolatedHome home;
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app");
    const std::string program = scratch / "app/KV.Kestrune";
    const std::map<std::string, std::string> qt{{"QT_QPA_PLATFORM", "offscreen"}};
    std::map<std::string, std::string> driven = qt;
    driven["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
    driven["KESTRUNE_DRIVER_ACTION"] = "ButtonOk";
    driven["KESTRUNE_DRIVER_REPORT"] = scratch / "driver-report";

    Series mode0, bare0, mode1, bare1;
    try {
        for (int run = 0; run < runs; ++run) {
            mode0.Add(benchsupport::TimedRun({program, "0", "Prog", "2.0", "English"}, qt));
            bare0.Add(benchsupport::TimedRun({KESTRUNE_BARE_WINDOW, "151", "498"}, qt));
            mode1.Add(benchsupport::TimedRun({program, "1", "Prog", "2.0", "English"}, driven));
            bare1.Add(benchsupport::TimedRun({KESTRUNE_BARE_WINDOW, "540", "162"}, qt));
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    std::printf("%d runs each; medians of KV.Kestrune and of a bare Qt window of the same size\n", runs);
    std::printf(
        "\"less timer\": KV.Kestrune's wall time less the fixed %.0f ms of its job timer (a coarse Qt timer,\n"
        "within 5 %% of it in any one run)\n",
        kJobTimerMs);
    std::printf("run      wall time        bare  ratio   less timer  ratio  peak memory        bare  ratio\n");
    Report("mode 0", mode0, bare0);
    Report("mode 1", mode1, bare1);
    std::printf("run       cpu time        bare  ratio\n");
    ReportCpu("mode 0", mode0, bare0);
    ReportCpu("mode 1", mode1, bare1);
    return 0;
}
