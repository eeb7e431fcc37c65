#pragma once
// Whole runs of a program for the benchmarks: wall time, CPU time and peak memory of one run,
// medians.

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

struct RunCost {
    double seconds = 0;     // wall time from the start to the end of the process
    double cpuSeconds = 0;  // user and system time of the process
    double peakMiB = 0;     // the process's own peak resident memory (VmHWM)
};

// Runs argv to its end with these variables added to the environment, output discarded. Throws
// when it cannot start, ends with a status other than 0, or its peak memory cannot be read.
//
// The peak is the child's alone. wait4's ru_maxrss cannot give it: an exec records the peak of
// the memory image it replaces, which after fork or posix_spawn is the bench's own (as large as
// the bench's memory at the start, whatever the child uses). So the child runs traced and is
// held at its exit, before its memory is let go, while its VmHWM is read from /proc.
RunCost TimedRun(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv = {});

double Median(std::vector<double> values);

}  // namespace benchsupport
