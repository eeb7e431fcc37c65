#include "host/IncludeModules.h"

#include "errors/ErrorProcessor.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Clock.h"

namespace kestrune {

QWidget* HostForm = nullptr;
bool IncludeModulesReady = false;
bool ChecksStarted = false;

// Placeholder bodies until the start-up services land: the steps the spine relies on.
bool InitIncludeModules(bool, bool, QWidget*, WindowHandle ownerHandle, QWidget*, const std::string& locationArgument,
                        bool, bool locationFlag) {
    bool result = false;
    std::string step = "UIF.007-01";
    Guard(step, [&] {
        ErrorReportingOff = false;
        BusyFlag = false;
        TempDirCache.clear();
        ChecksStarted = false;
        CallingProgramName = "KV.Kestrune";
        VersionText = kProgramVersionTag;
        AuthorAddress = kDeveloperAddress;
        ExternalErrorLogPath.clear();
        step = "UIF.007-04";
        InitSettingsLocation(locationFlag, locationArgument, ownerHandle);
        step = "UIF.007-11";
        StartTickCount = platform::TickCount();
        step = "UIF.007-13";
        IncludeModulesReady = true;
    });
    return result;
}

void InitWindowLanguage(int, QMenu*, QMenu*, QAction*, QMenu*, QMenu*, QWidget* form, QWidget*) {
    Guard("UIF.008-01", [&] {
        if (IncludeModulesReady) HostForm = form;
    });
}

void BuildHelpLanguageMenu(int, QMenu*, QAction*) {}

void FinishIncludeModules(bool) {
    Guard("UIF.010-01", [&] { IncludeModulesReady = false; });
}

bool FirstPaintServices(bool) {
    bool result = false;
    Guard("UIF.011-01", [&] {
        if (ChecksStarted) return;
        ChecksStarted = true;
    });
    return result;
}

void ShutdownIncludeModules() {
    Guard("UIF.012-01", [&] { DeleteErrorTempFiles(); });
}

}  // namespace kestrune
