#include "platform/Clock.h"

#include <time.h>

namespace platform {
namespace {
std::function<std::uint32_t()>& TickSource() {
    static std::function<std::uint32_t()> source;
    return source;
}
std::function<std::tm()>& LocalTimeSource() {
    static std::function<std::tm()> source;
    return source;
}
}  // namespace

std::uint32_t TickCount() {
    if (TickSource()) return TickSource()();
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // wraps as the Windows count does
}

std::tm LocalTimeNow() {
    if (LocalTimeSource()) return LocalTimeSource()();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void SetTickCountForTesting(std::function<std::uint32_t()> source) { TickSource() = std::move(source); }
void SetLocalTimeForTesting(std::function<std::tm()> source) { LocalTimeSource() = std::move(source); }

}  // namespace platform
