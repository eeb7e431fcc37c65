#pragma once
// The running program file, from the system (/proc/self/exe), never from argv[0].

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Canonical path of the running executable.
std::string ExecutablePath();
// Its folder, without a trailing separator.
std::string ExecutableFolder();

// Tests that run a whole start in-process make the program believe it runs from another file.
// An empty path returns to the real executable.
void SetExecutablePathForTesting(const std::string& path);

// The program's own command line as the system keeps it (/proc/self/cmdline): the program first,
// then every parameter as it was given, empty ones included.
std::vector<std::string> CommandLineArguments();
// Tests that run a start in-process hand in the command line of that start; nullopt returns to
// the process's own.
void SetCommandLineForTesting(std::optional<std::vector<std::string>> arguments);

}  // namespace platform
