#pragma once
// The process's environment block, as the program reads it (entries "name=value").

#include <string>
#include <vector>

namespace platform {

// Every entry of the environment block, in its order, the last one included.
std::vector<std::string> EnvironmentBlock();

// The value of an environment variable, exact name; empty when unset.
std::string GetEnv(const char* name);

}  // namespace platform
