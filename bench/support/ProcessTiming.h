#pragma once
// Whole runs of a program for the benchmarks: wall time and peak memory of one run, medians.

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

struct RunCost {
    double seconds = 0;     // wall time from the start to the end of the process
    double cpuSeconds = 0;  // user and system time of the process
    double peakMiB = 0;     // the process's peak resident memory
};

// Runs argv to its end with these variables added to the environment, output discarded. Throws
// when it cannot start or ends with a status other than 0.
RunCost TimedRun(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv = {});

double Median(std::vector<double> values);

}  // namespace benchsupport
