#pragma once
// The error log "Error.Log": the text of one entry and the rewrite that puts it on top.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace kestrune {

// What the old log may keep below a new entry: whole lines while their lengths plus 2 stay
// below this many bytes.
inline constexpr std::size_t kOldLogLimit = 51200;
// What one entry carries of ErrorDump at most; its newest part is kept.
inline constexpr std::size_t kDumpLimitPerEntry = 16384;

inline constexpr const char* kLogRule = "=================================================";  // 49

// What the entry says about the failure being handled.
struct FailureDescription {
    std::string fullCode;             // location code + "." + last system error
    std::string className;            // the kind of failure
    std::uintptr_t raisedAt = 0;      // where it was raised, when known
    std::uintptr_t uncaughtHook = 0;  // the process-wide handler of uncaught failures
};

// The failure being handled right now (inside a catch), or "n/a" outside one.
FailureDescription DescribeCurrentFailure(const std::string& code, int lastSystemError);

// "05/03/2027 [07:04:09]", independent of the system's date format.
std::string LogDateText(const std::tm& time);
// Texts of system information shared by the log entry and the mails. None of them throws;
// a failure answers the text as far as it was built.
std::string MemoryStatusValue(int index);  // 1 load in percent, 2..7 sizes in " KB", else "n/a"
std::string SystemUptimeText();
std::string SystemInfoText(const std::string& text);  // appends the processor and memory lines
std::string UserNameText();                           // "n/a" when the system gives none
std::string ComputerNameText();                       // "n/a" when the system gives none
std::string LogEntryTrailer();                        // 49 "=" and the settings listing

// Rows 3 to 7 of an entry (Program, WinVersion, User, PC, PC SysInfo), each ended by CR LF.
std::string SystemInfoRows();
// ErrorDump as one entry carries it.
std::string DumpForEntry(const std::string& dump);
// One whole entry, every row ended by CR LF.
std::string BuildLogEntry(const FailureDescription& failure);

// The part of the old log kept below a new entry, its lines ended by CR LF.
std::string KeepOldLogPart(const std::string& oldLog);

// The log's path: GetProgramPath(1, "ErrorLog") + "\Error.Log".
std::string ErrorLogFolder();
std::string ErrorLogPath();

// Puts the entry on top of the log. The new log is written beside the old one and renamed over
// it, so the old entries survive any failure. Answers false when nothing could be written;
// never throws.
bool WriteErrorLogEntry(const std::string& entry);

}  // namespace kestrune
