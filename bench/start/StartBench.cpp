// The start of KV.Kestrune beside a bare Qt Widgets program that shows a window of the same size:
// a mode-0 run (start-up services, first paint, the job timer, exit) beside a bare 151 x 498
// window, and a mode-1 run that shows the settings window and has it closed at its first paint
// (by the modal driver of the end-to-end tests) beside a bare 540 x 162 window. A mode-1 run
// whose driver does not report the settings window fails the bench.
//
// Runs alternate; the ratios of the medians of wall time, CPU time and peak memory (each child's
// own VmHWM) are printed, the wall-time ratio once more without the 100 ms that the host
// window's job timer always waits. With valgrind installed each of the four is also run once
// under callgrind: instruction counts are the same on an idle and on a busy machine, so their
// ratios are the figures to compare between runs; wall time is not.
//
//   build/bench/start/kestrune_start_bench [runs]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

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
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f  %8.1f ms  %5.2f  %7.2f MiB %7.2f MiB  %5.3f\n", name, ms, bareMs,
                ms / bareMs, ms - kJobTimerMs, (ms - kJobTimerMs) / bareMs, mib, bareMib, mib / bareMib);
}

// CPU time waits for nothing (neither the timer nor the disk), so it varies less on a busy machine.
void ReportCpu(const char* name, const Series& program, const Series& bare) {
    const double ms = benchsupport::Median(program.cpuSeconds) * 1000;
    const double bareMs = benchsupport::Median(bare.cpuSeconds) * 1000;
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f\n", name, ms, bareMs, ms / bareMs);
}

// The modal driver writes "name|caption|..." of the window it closed.
void ExpectSettingsWindow(const std::string& report) {
    const std::string shown = testsupport::ReadFile(report);
    std::remove(report.c_str());
    if (shown.rfind("FormSettings|", 0) != 0)
        throw std::runtime_error("the mode-1 run showed no settings window (driver report: \"" + shown + "\")");
}

std::string Valgrind() {
    for (const char* path : {"/usr/bin/valgrind", "/usr/local/bin/valgrind"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return {};
}

// The guest instructions of one run under callgrind.
double Instructions(const std::string& valgrind, const std::string& out, std::vector<std::string> argv,
                    const std::map<std::string, std::string>& env) {
    argv.insert(argv.begin(), {valgrind, "--tool=callgrind", "--callgrind-out-file=" + out});
    benchsupport::TimedRun(argv, env);
    std::ifstream profile(out);
    std::string line;
    while (std::getline(profile, line)) {
        if (line.rfind("summary:", 0) == 0 || line.rfind("totals:", 0) == 0)
            return std::atof(line.c_str() + line.find(':') + 1);
    }
    throw std::runtime_error("no instruction count in " + out);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    testsupport::ScratchFolder scratch;
    testsupport::IsolatedHome home;
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app");
    const std::string program = scratch / "app/KV.Kestrune";
    const std::string report = scratch / "driver-report";
    const std::map<std::string, std::string> qt{{"QT_QPA_PLATFORM", "offscreen"}};
    // Offline, the settings window's update frame starts no check: the run is the window alone.
    std::map<std::string, std::string> driven = qt;
    driven["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
    driven["KESTRUNE_DRIVER_ACTION"] = "ButtonOk";
    driven["KESTRUNE_DRIVER_REPORT"] = report;
    driven["KESTRUNE_INTERNET"] = "0";
    const std::vector<std::string> mode0Args{program, "0", "Prog", "2.0", "English"};
    const std::vector<std::string> mode1Args{program, "1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"};
    const std::vector<std::string> bare0Args{KESTRUNE_BARE_WINDOW, "151", "498"};
    const std::vector<std::string> bare1Args{KESTRUNE_BARE_WINDOW, "540", "162"};

    Series mode0, bare0, mode1, bare1;
    double instructions[4] = {};
    const std::string valgrind = Valgrind();
    try {
        for (int run = 0; run < runs; ++run) {
            mode0.Add(benchsupport::TimedRun(mode0Args, qt));
            bare0.Add(benchsupport::TimedRun(bare0Args, qt));
            mode1.Add(benchsupport::TimedRun(mode1Args, driven));
            ExpectSettingsWindow(report);
            bare1.Add(benchsupport::TimedRun(bare1Args, qt));
        }
        if (!valgrind.empty()) {
            const std::string out = scratch / "callgrind.out";
            instructions[0] = Instructions(valgrind, out, mode0Args, qt);
            instructions[1] = Instructions(valgrind, out, bare0Args, qt);
            instructions[2] = Instructions(valgrind, out, mode1Args, driven);
            ExpectSettingsWindow(report);
            instructions[3] = Instructions(valgrind, out, bare1Args, qt);
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
    std::printf("run      wall time        bare  ratio   less timer  ratio  peak memory         bare  ratio\n");
    Report("mode 0", mode0, bare0);
    Report("mode 1", mode1, bare1);
    std::printf("run       cpu time        bare  ratio\n");
    ReportCpu("mode 0", mode0, bare0);
    ReportCpu("mode 1", mode1, bare1);
    if (valgrind.empty()) {
        std::printf("no valgrind: no instruction counts\n");
        return 0;
    }
    std::printf("run     instructions (callgrind, one run each)  bare  ratio\n");
    std::printf("mode 0  %14.0f %14.0f  %5.3f\n", instructions[0], instructions[1], instructions[0] / instructions[1]);
    std::printf("mode 1  %14.0f %14.0f  %5.3f\n", instructions[2], instructions[3], instructions[2] / instructions[3]);
    return 0;
}
