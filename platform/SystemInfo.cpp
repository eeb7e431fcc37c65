#include "platform/SystemInfo.h"

#include <sys/resource.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Environment.h"

namespace platform {
namespace {

std::optional<SystemFacts>& FixedFacts() {
    static std::optional<SystemFacts> facts;
    return facts;
}

std::string ReadProcFile(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of a "Name:   1234 kB" line in kB, or nullopt when the line is missing.
std::optional<std::uint64_t> KilobyteField(const std::string& text, const std::string& name) {
    const std::string key = name + ":";
    std::size_t pos = 0;
    while ((pos = text.find(key, pos)) != std::string::npos) {
        if (pos == 0 || text[pos - 1] == '\n') {
            const char* start = text.c_str() + pos + key.size();
            char* end = nullptr;
            errno = 0;
            const unsigned long long value = std::strtoull(start, &end, 10);
            if (end == start || errno == ERANGE) return std::nullopt;
            return value;
        }
        pos += key.size();
    }
    return std::nullopt;
}

std::uint64_t Saturating(std::uint64_t kb) { return kb > UINT64_MAX / 1024 ? UINT64_MAX : kb * 1024; }

}  // namespace

std::optional<MemoryStatus> ParseMemoryStatus(const std::string& meminfo, const std::string& processStatus) {
    const auto total = KilobyteField(meminfo, "MemTotal");
    if (!total || *total == 0) return std::nullopt;
    MemoryStatus status;
    // Older kernels have no MemAvailable; free memory is the nearest they offer.
    const std::uint64_t avail = std::min(
        *total, KilobyteField(meminfo, "MemAvailable").value_or(KilobyteField(meminfo, "MemFree").value_or(0)));
    status.totalPhys = Saturating(*total);
    status.availPhys = Saturating(avail);
    status.loadPercent = static_cast<std::uint32_t>((*total - avail) * 100 / *total);

    const std::uint64_t commitLimit = KilobyteField(meminfo, "CommitLimit").value_or(*total);
    const std::uint64_t committed = KilobyteField(meminfo, "Committed_AS").value_or(0);
    status.totalPageFile = Saturating(commitLimit);
    status.availPageFile = Saturating(committed < commitLimit ? commitLimit - committed : 0);

    rlimit limit{};
    std::uint64_t addressSpace = std::uint64_t{1} << 47;  // the user half of x86-64 and arm64
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) addressSpace = limit.rlim_cur;
    const std::uint64_t used = Saturating(KilobyteField(processStatus, "VmSize").value_or(0));
    status.totalVirtual = addressSpace;
    status.availVirtual = used < addressSpace ? addressSpace - used : 0;
    return status;
}

SystemVersion ParseSystemVersion(const std::string& release) {
    SystemVersion version;
    int* fields[] = {&version.major, &version.minor, &version.build};
    const char* p = release.c_str();
    for (int* field : fields) {
        if (*p < '0' || *p > '9') break;
        char* end = nullptr;
        const long value = std::strtol(p, &end, 10);
        *field = value > INT_MAX ? INT_MAX : static_cast<int>(value);
        p = end;
        if (*p != '.') break;
        ++p;
    }
    return version;
}

std::optional<MemoryStatus> ReadMemoryStatus() {
    return ParseMemoryStatus(ReadProcFile("/proc/meminfo"), ReadProcFile("/proc/self/status"));
}

int ProcessorType() {
    utsname names{};
    if (uname(&names) != 0) return 0;
    const std::string machine = names.machine;
    if (machine == "x86_64") return 8664;
    if (machine == "i686" || machine == "i586") return 586;
    if (machine == "i486") return 486;
    if (machine == "i386") return 386;
    return 0;
}

int ProcessorLevel() {
    std::istringstream cpuinfo(ReadProcFile("/proc/cpuinfo"));
    std::string line;
    while (std::getline(cpuinfo, line)) {
        // "cpu family" on x86, "CPU architecture" on arm.
        if (line.rfind("cpu family", 0) == 0 || line.rfind("CPU architecture", 0) == 0) {
            const auto colon = line.find(':');
            if (colon == std::string::npos) return 0;
            return std::atoi(line.c_str() + colon + 1);
        }
    }
    return 0;
}

SystemVersion ReadSystemVersion() {
    utsname names{};
    if (uname(&names) != 0) return {};
    return ParseSystemVersion(names.release);
}

std::string UserName() {
    const std::optional<Account> account = CurrentAccount();
    return account ? account->name : std::string();
}

std::string ComputerName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name) != 0) return {};
    name[HOST_NAME_MAX] = '\0';  // a truncated name need not be terminated
    return name;
}

std::uint64_t SystemUptimeMs() {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return 0;
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

int LastSystemError() { return errno; }

SystemFacts ReadSystemFacts() {
    if (FixedFacts()) return *FixedFacts();
    SystemFacts facts;
    facts.memory = ReadMemoryStatus();
    facts.processorType = ProcessorType();
    facts.processorLevel = ProcessorLevel();
    facts.version = ReadSystemVersion();
    facts.userName = UserName();
    facts.computerName = ComputerName();
    facts.uptimeMs = SystemUptimeMs();
    return facts;
}

void SetSystemFactsForTesting(std::optional<SystemFacts> facts) { FixedFacts() = std::move(facts); }

}  // namespace platform
