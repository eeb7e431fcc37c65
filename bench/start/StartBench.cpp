// The start of KV.Kestrune beside a bare Qt Widgets program (kestrune_bare_window) made to match
// it, the modal driver of the end-to-end tests loaded into both with the same settings:
//
//   mode 0  a mode-0 start (start-up services, first paint, the job timer, exit) beside
//           `kestrune_bare_window 151 498 wait`: a bare window of the host window's size that is
//           shown and painted, waits a precise 100 ms timer started at its showing, as the host
//           window's is, and is closed;
//   mode 1  a mode-1 start that shows the settings window, closed by the driver's click on its
//           "ButtonOk" at its first paint, beside `kestrune_bare_window dialog wait`: the same
//           bare window and wait, then a modal dialog of the settings window's size with the same
//           kinds and number of widgets and the same English texts, closed the same way.
//
// The driver reports the modal window it closed; a mode-1 run that shows no settings window, or
// a bare run that shows no dialog, fails the bench. It also times the timer named "Timer1" in
// every run, the host window's job timer and the bare window's alike: from just after the paint
// that starts it to its first tick. That wait, as measured in the run itself, is taken out of the
// run's wall time ("less timer"), on both sides. Waking from a wait costs more than the wait
// itself (the processor slows down and its caches go cold while the program sleeps), so a bare
// program that does not wait is no yardstick for one that does; the ratios against the bare
// programs that do not wait (`151 498`, `dialog`) are printed last, for comparison.
//
// Runs alternate; the ratios of the medians of wall time, CPU time and peak memory (each child's
// own VmHWM) are printed. With valgrind installed KV.Kestrune and the waiting bare programs are
// also run once each under callgrind: instruction counts are the same on an idle and on a busy
// machine, so their ratios are the figures to compare between runs; wall time is not.
//
//   build/bench/start/kestrune_start_bench [runs]
#include <unistd.h>

#include <algorithm>
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
    std::vector<double> timerSeconds;  // each run's Timer1 wait (none for the bare programs that do not wait)
    void Add(const benchsupport::RunCost& cost) {
        seconds.push_back(cost.seconds);
        cpuSeconds.push_back(cost.cpuSeconds);
        mebibytes.push_back(cost.peakMiB);
    }
    // Each run's wall time less its own timer wait.
    std::vector<double> LessTimer() const {
        std::vector<double> less;
        for (std::size_t i = 0; i < seconds.size() && i < timerSeconds.size(); ++i)
            less.push_back(seconds[i] - timerSeconds[i]);
        return less;
    }
};

void Report(const char* name, const Series& program, const Series& bare) {
    using benchsupport::Median;
    const double ms = Median(program.seconds) * 1000, bareMs = Median(bare.seconds) * 1000;
    const double lessMs = Median(program.LessTimer()) * 1000, bareLessMs = Median(bare.LessTimer()) * 1000;
    const double mib = Median(program.mebibytes), bareMib = Median(bare.mebibytes);
    std::printf("%-7s %8.1f ms %8.1f ms  %8.1f ms %8.1f ms  %5.2f  %7.2f MiB %7.2f MiB  %5.3f\n", name, ms, bareMs,
                lessMs, bareLessMs, lessMs / bareLessMs, mib, bareMib, mib / bareMib);
}

// KV.Kestrune less its timer beside a bare program that does not wait.
void ReportUnwaited(const char* name, const Series& program, const Series& plain) {
    using benchsupport::Median;
    const double lessMs = Median(program.LessTimer()) * 1000, plainMs = Median(plain.seconds) * 1000;
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f\n", name, lessMs, plainMs, lessMs / plainMs);
}

void ReportTimer(const char* name, const Series& program) {
    const auto [least, most] = std::minmax_element(program.timerSeconds.begin(), program.timerSeconds.end());
    std::printf("%-13s %8.2f ms  %8.2f ms  %8.2f ms\n", name, benchsupport::Median(program.timerSeconds) * 1000,
                *least * 1000, *most * 1000);
}

// CPU time waits for nothing (neither the timer nor the disk), so it varies less on a busy machine.
void ReportCpu(const char* name, const Series& program, const Series& bare) {
    const double ms = benchsupport::Median(program.cpuSeconds) * 1000;
    const double bareMs = benchsupport::Median(bare.cpuSeconds) * 1000;
    std::printf("%-7s %8.1f ms %8.1f ms  %5.2f\n", name, ms, bareMs, ms / bareMs);
}

// The modal driver writes "name|caption|..." of the window it closed.
void ExpectClosedWindow(const std::string& report, const std::string& name, const char* run) {
    const std::string shown = testsupport::ReadFile(report);
    std::remove(report.c_str());
    if (shown.rfind(name + "|", 0) != 0)
        throw std::runtime_error(std::string(run) + " closed no " + name + " (driver report: \"" + shown + "\")");
}

// The Timer1 wait of the run just ended, as the driver measured it (microseconds).
double TimerWaitSeconds(const std::string& report) {
    const std::string waited = testsupport::ReadFile(report);
    std::remove(report.c_str());
    char* end = nullptr;
    const double microseconds = std::strtod(waited.c_str(), &end);
    if (waited.empty() || *end != '\0' || microseconds <= 0)
        throw std::runtime_error("the driver timed no Timer1 (report: \"" + waited + "\")");
    return microseconds / 1e6;
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
    // Each mode has its own copy of the program, as each caller starts it with its own values: a
    // start stores the caller's values in the settings, and starts of the two modes in one copy
    // would rewrite them, with a flush to the disk, every time.
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app0");
    testsupport::CopyTree(testsupport::AppDir(), scratch / "app1");
    const std::string program0 = scratch / "app0/KV.Kestrune", program1 = scratch / "app1/KV.Kestrune";
    const std::string report = scratch / "driver-report";
    const std::string timerReport = scratch / "timer-report";
    // Both sides of a row run with the same environment: the driver preloaded, timing Timer1 and,
    // in mode 1, closing the modal window with "ButtonOk".
    const std::map<std::string, std::string> timed{{"QT_QPA_PLATFORM", "offscreen"},
                                                   {"LD_PRELOAD", KESTRUNE_MODAL_DRIVER},
                                                   {"KESTRUNE_DRIVER_TIMER", "Timer1"},
                                                   {"KESTRUNE_DRIVER_TIMER_REPORT", timerReport}};
    // Offline, the settings window's update frame starts no check: the run is the window alone.
    std::map<std::string, std::string> driven = timed;
    driven["KESTRUNE_DRIVER_ACTION"] = "ButtonOk";
    driven["KESTRUNE_DRIVER_REPORT"] = report;
    driven["KESTRUNE_INTERNET"] = "0";
    const std::vector<std::string> mode0Args{program0, "0", "Prog", "2.0", "English"};
    const std::vector<std::string> mode1Args{program1, "1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"};
    const std::vector<std::string> bare0Args{KESTRUNE_BARE_WINDOW, "151", "498", "wait"};
    const std::vector<std::string> bare1Args{KESTRUNE_BARE_WINDOW, "dialog", "wait"};
    const std::vector<std::string> plain0Args{KESTRUNE_BARE_WINDOW, "151", "498"};
    const std::vector<std::string> plain1Args{KESTRUNE_BARE_WINDOW, "dialog"};

    Series mode0, bare0, plain0, mode1, bare1, plain1;
    // A timed run: its cost, and its Timer1 wait as the driver measured it.
    auto timedRun = [&](Series& series, const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& env) {
        series.Add(benchsupport::TimedRun(argv, env));
        series.timerSeconds.push_back(TimerWaitSeconds(timerReport));
    };
    double instructions[4] = {};
    const std::string valgrind = Valgrind();
    try {
        for (int run = 0; run < runs; ++run) {
            timedRun(mode0, mode0Args, timed);
            timedRun(bare0, bare0Args, timed);
            plain0.Add(benchsupport::TimedRun(plain0Args, timed));
            timedRun(mode1, mode1Args, driven);
            ExpectClosedWindow(report, "FormSettings", "the mode-1 run");
            timedRun(bare1, bare1Args, driven);
            ExpectClosedWindow(report, "BareDialog", "the bare dialog");
            plain1.Add(benchsupport::TimedRun(plain1Args, driven));
            ExpectClosedWindow(report, "BareDialog", "the bare dialog that does not wait");
        }
        if (!valgrind.empty()) {
            const std::string out = scratch / "callgrind.out";
            instructions[0] = Instructions(valgrind, out, mode0Args, timed);
            instructions[1] = Instructions(valgrind, out, bare0Args, timed);
            instructions[2] = Instructions(valgrind, out, mode1Args, driven);
            ExpectClosedWindow(report, "FormSettings", "the mode-1 run");
            instructions[3] = Instructions(valgrind, out, bare1Args, driven);
            ExpectClosedWindow(report, "BareDialog", "the bare dialog");
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    std::printf("%d runs each; medians of KV.Kestrune and of the bare program, the modal driver in both\n", runs);
    std::printf("bare: a 151 x 498 window that waits a precise 100 ms timer from its showing, then closes (mode 0)\n");
    std::printf("      or shows a dialog like the settings window, closed the same way (mode 1)\n");
    std::printf("\"less timer\": each run's wall time less its Timer1 wait, timed in that run, on both sides\n");
    std::printf("run      wall time        bare   less timer       bare  ratio  peak memory         bare  ratio\n");
    Report("mode 0", mode0, bare0);
    Report("mode 1", mode1, bare1);
    std::printf("run           timer wait      least       most\n");
    ReportTimer("mode 0", mode0);
    ReportTimer("mode 0 bare", bare0);
    ReportTimer("mode 1", mode1);
    ReportTimer("mode 1 bare", bare1);
    std::printf("run       cpu time        bare  ratio\n");
    ReportCpu("mode 0", mode0, bare0);
    ReportCpu("mode 1", mode1, bare1);
    std::printf("against bare programs that do not wait: KV.Kestrune less its timer, the bare wall time\n");
    ReportUnwaited("mode 0", mode0, plain0);
    ReportUnwaited("mode 1", mode1, plain1);
    if (valgrind.empty()) {
        std::printf("no valgrind: no instruction counts\n");
        return 0;
    }
    std::printf("run     instructions (callgrind, one run each)  bare  ratio\n");
    std::printf("mode 0  %14.0f %14.0f  %5.3f\n", instructions[0], instructions[1], instructions[0] / instructions[1]);
    std::printf("mode 1  %14.0f %14.0f  %5.3f\n", instructions[2], instructions[3], instructions[2] / instructions[3]);
    return 0;
}
