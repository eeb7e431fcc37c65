#pragma once
// Clocks in place of the Windows tick count and local time. Tests replace them.

#include <cstdint>
#include <ctime>
#include <functional>

namespace platform {

// Milliseconds since the system started, as a 32-bit count that wraps after 49.7 days
// (GetTickCount). CLOCK_BOOTTIME, so a suspended machine still counts.
std::uint32_t TickCount();

// The local date and time now.
std::tm LocalTimeNow();

// Replace the clocks; an empty function returns to the system's.
void SetTickCountForTesting(std::function<std::uint32_t()> source);
void SetLocalTimeForTesting(std::function<std::tm()> source);

}  // namespace platform
