#pragma once
// The process's environment block, as the program reads it (entries "name=value").

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Every entry of the environment block, in its order, the last one included.
std::vector<std::string> EnvironmentBlock();

// The value of an environment variable, exact name; empty when unset.
std::string GetEnv(const char* name);

// Tests hand in an environment block of their own (entries in their order); EnvironmentBlock and
// GetEnv then answer from it. nullopt returns to the real environment.
void SetEnvironmentBlockForTesting(std::optional<std::vector<std::string>> block);

}  // namespace platform
