#pragma once
// The running program file, from the system (/proc/self/exe), never from argv[0].

#include <string>

namespace platform {

// Canonical path of the running executable.
std::string ExecutablePath();
// Its folder, without a trailing separator.
std::string ExecutableFolder();

// Tests that run a whole start in-process make the program believe it runs from another file.
// An empty path returns to the real executable.
void SetExecutablePathForTesting(const std::string& path);

}  // namespace platform
