#pragma once
// System information for the error log, in place of GlobalMemoryStatus, GetSystemInfo,
// GetVersionExA, GetUserNameA and GetComputerNameA. Tests replace every value at once.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The fields of the Windows memory status record; sizes in bytes.
struct MemoryStatus {
    std::uint32_t loadPercent = 0;  // share of physical memory in use
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;  // commit limit: what may be committed, swap included
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;  // this process's address space
    std::uint64_t availVirtual = 0;
};

struct SystemVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
};

// Everything the log entry asks of the system. An empty user or computer name and an empty
// memory status mean that the system gave nothing.
struct SystemFacts {
    std::optional<MemoryStatus> memory;
    int processorType = 0;   // as Windows numbers it: 386, 486, 586, 8664 (x86-64), 0 unknown
    int processorLevel = 0;  // the processor family, 0 unknown
    SystemVersion version;
    std::string userName;
    std::string computerName;
    std::uint64_t uptimeMs = 0;
};

// From /proc/meminfo (MemTotal, MemAvailable, CommitLimit, Committed_AS) and /proc/self/status;
// nullopt when /proc/meminfo gives no MemTotal.
std::optional<MemoryStatus> ReadMemoryStatus();
// Processor type from the machine name of uname, level from the "cpu family" of /proc/cpuinfo.
int ProcessorType();
int ProcessorLevel();
// The first three numbers of the kernel release ("6.1.0-18-amd64" gives 6.1.0).
SystemVersion ReadSystemVersion();
// The effective user's name from the password database; empty when there is none.
std::string UserName();
// The whole host name; empty when the system gives none.
std::string ComputerName();
// Milliseconds since the system started, suspended time included; 64 bits, so it does not wrap.
std::uint64_t SystemUptimeMs();
// The last system error of this thread (errno).
int LastSystemError();

// Every value above at once, from the system or from the values a test fixed.
SystemFacts ReadSystemFacts();
// Fixes the values ReadSystemFacts answers; nullopt returns to the system's.
void SetSystemFactsForTesting(std::optional<SystemFacts> facts);

// Parses the text of /proc/meminfo (and of /proc/self/status for the process's size).
std::optional<MemoryStatus> ParseMemoryStatus(const std::string& meminfo, const std::string& processStatus);
// Parses a kernel release text into its first three numbers; missing ones are 0.
SystemVersion ParseSystemVersion(const std::string& release);

}  // namespace platform
