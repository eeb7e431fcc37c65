#include "errors/ErrorLog.h"

#include <cxxabi.h>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <typeinfo>

#include "errors/ErrorState.h"
#include "errors/LogRead.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Quietly.h"
#include "language/LangProcessor.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace kestrune {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kLineStart = "\r\n          ";  // CR LF and 10 blanks

std::string Demangled(const char* name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

// The first kOldLogLimit bytes of the log: all that its kept part can come from, however large
// the file has grown. nullopt when it cannot be read.
std::optional<std::string> ReadLogStart(const std::string& path) {
    LogRead log = ReadLogFile(path, kOldLogLimit, false);
    if (log.status != LogRead::Status::Read) return std::nullopt;
    return std::move(log.bytes);
}

// A name the system gives, or "n/a" when it gives none.
std::string NameOrNa(std::string platform::SystemFacts::*field) {
    std::string text = "n/a";
    Quietly([&] {
        std::string name = platform::ReadSystemFacts().*field;
        if (!name.empty()) text = std::move(name);
    });
    return text;
}

}  // namespace

std::string MemoryStatusValue(int index) {
    std::string text;
    Quietly([&] {
        const auto memory = platform::ReadSystemFacts().memory;
        if (!memory || index < 1 || index > 7) {
            text = "n/a";
            return;
        }
        if (index == 1) {
            text = std::to_string(memory->loadPercent);
            return;
        }
        const std::uint64_t sizes[] = {memory->totalPhys,     memory->availPhys,    memory->totalPageFile,
                                       memory->availPageFile, memory->totalVirtual, memory->availVirtual};
        text = std::to_string(sizes[index - 2] / 1024) + " KB";
    });
    return text;
}

std::string SystemUptimeText() {
    std::string text;
    // The whole up time: a 32-bit count would start again from zero after 49.7 days.
    Quietly([&] { text = DurationText(static_cast<std::int64_t>(platform::ReadSystemFacts().uptimeMs)); });
    return text;
}

std::string SystemInfoText(const std::string& text) {
    std::string result = text;
    Quietly([&] {
        const platform::SystemFacts facts = platform::ReadSystemFacts();
        result += kLineStart + std::string("ProcessorType: ") + std::to_string(facts.processorType);
        result += kLineStart + std::string("ProcessorLevel: ") + std::to_string(facts.processorLevel);
        result += kLineStart + std::string("MemoryLoad = ") + MemoryStatusValue(1) + "%";
        result += kLineStart + std::string("TotalPhys = ") + MemoryStatusValue(2);
        result += kLineStart + std::string("AvailPhys = ") + MemoryStatusValue(3);
        result += "\r\nOS worked = " + SystemUptimeText();
    });
    return result;
}

std::string UserNameText() { return NameOrNa(&platform::SystemFacts::userName); }
std::string ComputerNameText() { return NameOrNa(&platform::SystemFacts::computerName); }

std::string LogEntryTrailer() {
    std::string text = kLogRule;
    Quietly([&] { text += ListSettingsForReport(); });
    return text;
}

FailureDescription DescribeCurrentFailure(const std::string& code, int lastSystemError) {
    FailureDescription failure;
    failure.fullCode = code + "." + std::to_string(lastSystemError);
    failure.className = "n/a";
    Quietly([&] {
        if (const std::type_info* type = abi::__cxa_current_exception_type())
            failure.className = Demangled(type->name());
        // A C++ failure does not record where it was raised; the handler of uncaught failures
        // is the one fixed address of the program that the entry can name.
        failure.uncaughtHook = reinterpret_cast<std::uintptr_t>(std::get_terminate());
    });
    return failure;
}

std::string LogDateText(const std::tm& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d [%02d:%02d:%02d]", time.tm_mday, time.tm_mon + 1,
                  time.tm_year + 1900, time.tm_hour, time.tm_min, time.tm_sec);
    return text;
}

std::string SystemInfoRows() {
    std::string rows;
    Quietly([&] {
        const platform::SystemVersion version = platform::ReadSystemFacts().version;
        rows += "Program = " + ProductName + " " + VersionTag + " [" + CurrentLanguage + "]" + kCrLf;
        rows += "WinVersion = " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                std::to_string(version.build) + kCrLf;
        rows += "User = " + UserNameText() + kCrLf;
        rows += "PC = " + ComputerNameText() + kCrLf;
        rows += "PC SysInfo:" + SystemInfoText(std::string()) + kCrLf;
    });
    return rows;
}

std::string DumpForEntry(const std::string& dump) {
    if (dump.size() <= kDumpLimitPerEntry) return dump;
    const std::size_t leftOut = dump.size() - kDumpLimitPerEntry;
    return "[" + std::to_string(leftOut) + " older bytes left out]" + dump.substr(leftOut);
}

std::string BuildLogEntry(const FailureDescription& failure) {
    std::string entry;
    Quietly([&] {
        entry += std::string(kLogRule) + kCrLf;
        entry += LogDateText(platform::LocalTimeNow()) + kCrLf;
        entry += SystemInfoRows();
        const std::uint32_t worked = platform::TickCount() - StartTickCount;  // wraps as the count does
        entry += "Program worked = " + DurationText(worked) + kCrLf;
        entry += "Adress = " + failure.fullCode + " [" + failure.className + "]" + kCrLf;
        entry +=
            "Add info = " + std::to_string(failure.raisedAt) + " / " + std::to_string(failure.uncaughtHook) + kCrLf;
        if (!ErrorDump.empty()) {
            entry += std::string(kLogRule) + kCrLf;
            entry += "Dump = \"" + DumpForEntry(ErrorDump) + "\"" + kCrLf;
        }
        entry += LogEntryTrailer() + kCrLf;
    });
    return entry;
}

std::string KeepOldLogPart(const std::string& oldLog) {
    std::string kept;
    std::size_t sum = 0;
    std::size_t pos = 0;
    while (pos < oldLog.size()) {
        // A line ends at CR LF, at a lone CR or at a lone LF, as a text reader splits it.
        std::size_t end = oldLog.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = oldLog.size();
        const std::size_t length = end - pos;
        sum += length + 2;
        if (sum >= kOldLogLimit) break;
        kept.append(oldLog, pos, length);
        kept += kCrLf;
        pos = end;
        if (end < oldLog.size()) {
            pos = end + 1;
            if (oldLog[end] == '\r' && pos < oldLog.size() && oldLog[pos] == '\n') ++pos;
        }
    }
    return kept;
}

std::string ErrorLogFolder() { return GetProgramPath(1, "ErrorLog"); }
std::string ErrorLogPath() { return ErrorLogFolder() + "\\Error.Log"; }

bool WriteErrorLogEntry(const std::string& entry) {
    bool written = false;
    Quietly([&] {
        if (!platform::CreateDirectories(ErrorLogFolder())) return;
        const std::string path = ErrorLogPath();
        std::string content = entry;
        // A symbolic link in the log's place is no log: whatever it points to is never read (nor
        // mailed later); the new log takes the link's place with the program's default mode.
        if (platform::FileAgeReadable(path) && !platform::IsSymbolicLink(path)) {
            const auto old = ReadLogStart(path);
            // An old log that cannot be read is left as it is rather than replaced.
            if (!old) return;
            content += KeepOldLogPart(*old);
        }
        written = static_cast<bool>(platform::WriteFileAtomic(path, content));
    });
    return written;
}

}  // namespace kestrune
