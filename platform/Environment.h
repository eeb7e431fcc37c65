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

// The account the process runs as, from the system's user database (getpwuid_r, its buffer grown
// while the entry does not fit); nullopt when there is no entry.
struct Account {
    std::string name;
    std::string home;
};
std::optional<Account> CurrentAccount();

// Tests hand in an environment block of their own (entries in their order); EnvironmentBlock and
// GetEnv then answer from it. nullopt returns to the real environment.
void SetEnvironmentBlockForTesting(std::optional<std::vector<std::string>> block);

}  // namespace platform
