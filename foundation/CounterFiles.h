#pragma once
// Counter files: two-line text files in the resource folder (path kind 3) that hold one running
// number. Line 1 is a warning header that readers skip, line 2 a signed 64-bit decimal number;
// lines end in CR LF. KV.Kestrune writes only the running-time counter "TmpCnt" (milliseconds);
// the calling programs' counters are moved with the settings location but never read here.

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// Mode 0: adds value to the counter name (a missing or unreadable counter, or one whose line 2 is
// no number, starts from 0) and, with deleteTmp, deletes TmpCnt.ini afterwards. Mode 1: moves the
// number of TmpCnt.ini into the counter name (value stands in when TmpCnt.ini holds no number)
// and deletes TmpCnt.ini; without TmpCnt.ini nothing happens. Any other mode does nothing.
// text is what the failure dump shows as the line last read; callers pass "0". The counter is
// written beside the old one and renamed over it, so a failed write never loses the old count.
void UpdateCounterFile(const std::string& name, const std::string& text, bool deleteTmp, std::int64_t value, int mode);

// The work-time timer's tick: adds to TmpCnt the milliseconds since lastTick (a 32-bit tick
// count, its difference taken modulo 2^32 as a signed number) and moves lastTick to now, so each
// interval is counted once. Start lastTick at the run's start tick count.
void AddRunningTime(std::uint32_t& lastTick, std::uint32_t now);

// Where a failing counter update writes its four dump lines (name, text, value, mode) before it
// reports; the error processor installs its ErrorDump here. Answers the sink it replaced.
using CounterDumpSink = std::function<void(const std::string& lines)>;
CounterDumpSink SetCounterDumpSink(CounterDumpSink sink);

}  // namespace kestrune
