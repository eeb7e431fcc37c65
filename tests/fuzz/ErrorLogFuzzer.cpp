// The part of an old error log kept below a new entry, for any bytes the old log may hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "errors/ErrorLog.h"
#include "platform/SystemInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string old(reinterpret_cast<const char*>(data), size);
    const std::string kept = kestrune::KeepOldLogPart(old);
    if (kept.size() >= kestrune::kOldLogLimit) std::abort();
    if (!kept.empty() && kept.compare(kept.size() - 2, 2, "\r\n") != 0) std::abort();
    if (kestrune::KeepOldLogPart(kept) != kept) std::abort();  // kept lines come back unchanged
    // The log is read only as far as its kept part can reach.
    if (kestrune::KeepOldLogPart(old.substr(0, kestrune::kOldLogLimit)) != kept) std::abort();
    (void)platform::ParseMemoryStatus(old, old);
    (void)platform::ParseSystemVersion(old);
    return 0;
}
