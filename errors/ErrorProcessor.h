#pragma once
// The error processor: the error log, the error window and the feedback and report pages.

#include <cstdint>
#include <string>

namespace kestrune {

extern bool ErrorReportingOff;          // ProcessError does nothing at all (older system)
extern std::string ErrorDump;           // extra text for every later log entry
extern std::string ExternalErrorLogPath;  // the calling program's own log (report mode)
extern std::uint32_t StartTickCount;    // base of "Program worked"
extern bool ErrorWindowOpen;
extern bool PageChangeAllowed;
extern bool ReporterMode;

// Makes this error processor the receiver of every ProcessError call of the program.
void InstallErrorProcessor();

// Deletes the temporary log copy and the write-test file; silent on failure.
void DeleteErrorTempFiles();

}  // namespace kestrune
