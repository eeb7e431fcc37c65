#pragma once
// A run of the error processor inside a scratch folder: the program file, TEMP and home lie
// there, the clock and the system values are fixed, and every value the processor reads or
// sets starts clean.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <ctime>
#include <string>
#include <vector>

#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "language/LangProcessor.h"
#include "platform/Clock.h"
#include "platform/Executable.h"
#include "platform/SystemInfo.h"
#include "tests/support/TestSupport.h"

namespace errortest {

inline platform::SystemFacts FixedFacts() {
    platform::SystemFacts facts;
    platform::MemoryStatus memory;
    memory.loadPercent = 42;
    memory.totalPhys = 8ull * 1024 * 1024 * 1024;
    memory.availPhys = 3ull * 1024 * 1024 * 1024 + 1023;  // the odd bytes are rounded down
    facts.memory = memory;
    facts.processorType = 8664;
    facts.processorLevel = 6;
    facts.version = {6, 1, 0};
    facts.userName = "tester";
    facts.computerName = "a-host-name-longer-than-fifteen.example";
    facts.uptimeMs = 90061000;  // 1 day, 01:01:01
    return facts;
}

// 5 March 2027, 07:04:09: "05/03/2027 [07:04:09]" in the log.
inline std::tm FixedLocalTime() {
    std::tm time{};
    time.tm_year = 2027 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 5;
    time.tm_hour = 7;
    time.tm_min = 4;
    time.tm_sec = 9;
    return time;
}

// Rows 3 to 7 of a log entry with FixedFacts, line by line, after the "Program = " row.
inline std::vector<std::string> FixedSystemInfoLines() {
    const std::string pad(10, ' ');
    return {"WinVersion = 6.1.0",
            "User = tester",
            "PC = a-host-name-longer-than-fifteen.example",
            "PC SysInfo:",
            pad + "ProcessorType: 8664",
            pad + "ProcessorLevel: 6",
            pad + "MemoryLoad = 42%",
            pad + "TotalPhys = 8388608 KB",
            pad + "AvailPhys = 3145728 KB",
            "OS worked = " + kestrune::DurationText(90061000)};
}

class ErrorProcessorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace kestrune;
        platform::SetExecutablePathForTesting(home_.root() + "/app/KV.Kestrune");
        testsupport::WriteFile(home_.root() + "/app/KV.Kestrune", "");
        TempDirCache.clear();
        MustSetFilesInAppData = false;
        UseAppData = false;
        ErrorReportingOff = false;
        ErrorWindowOpen = false;
        ErrorOccurred = false;
        ReporterMode = false;
        PageChangeAllowed = false;
        BusyFlag = false;
        ErrorDump.clear();
        ProductName = "KV.Kestrune";
        VersionTag = "1.0.3.2k.lang";
        CurrentLanguage = "English";
        StartTickCount = 1000;
        platform::SetTickCountForTesting([] { return std::uint32_t{1000 + 3723000}; });  // 01:02:03
        platform::SetLocalTimeForTesting(FixedLocalTime);
        platform::SetSystemFactsForTesting(FixedFacts());
        previousHandler_ = SetErrorHandler(nullptr);
        InstallErrorProcessor();
        ResetTermination();
    }

    void TearDown() override {
        using namespace kestrune;
        SetErrorHandler(std::move(previousHandler_));
        SetErrorWindowRunnerForTesting({});
        platform::SetSystemFactsForTesting(std::nullopt);
        platform::SetTickCountForTesting({});
        platform::SetLocalTimeForTesting({});
        platform::SetExecutablePathForTesting("");
        TempDirCache.clear();
        ErrorWindowOpen = false;
        BusyFlag = false;
        ResetTermination();
    }

    // Control back in the event loop: a later failure is a failure of its own, with its window.
    static void BackInTheEventLoop() { QCoreApplication::processEvents(); }

    std::string LogPath() const { return home_.root() + "/app/ErrorLog/Error.Log"; }
    std::string AppFolder() const { return home_.root() + "/app"; }
    std::string Temp() const { return home_.temp(); }

    testsupport::IsolatedHome home_;

private:
    kestrune::ErrorHandler previousHandler_;
};

// Raises a failure inside a guard, as a routine of the program does.
inline void FailAt(const std::string& code) {
    kestrune::Guard(code, [] { throw std::runtime_error("test failure"); });
}

}  // namespace errortest
