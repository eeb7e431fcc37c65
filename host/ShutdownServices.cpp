#include "host/IncludeModules.h"

#include "checks/UnitAutoUpdate.h"
#include "errors/ErrorProcessor.h"
#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "host/Autorun.h"
#include "host/ServiceHelpers.h"

namespace kestrune {

using services::DeleteIfPresent;

void ShutdownIncludeModules() {
    Guard("UIF.012-01", [&] {
        RemoveTrayIcon();
        DeleteIfPresent(GetProgramPath(0, "Temp.mht"));
        DeleteErrorTempFiles();
        DeleteCheckFlags();
        SaveSettingsWindow(false, false);
    });
}

void SaveSettingsWindow(bool moveLocation, bool fromSettingsWindow) {
    std::string code = "UIF.013-00";
    auto step = [&](char number) { code = std::string("UIF.013-0") + number; };
    Guard(code, [&] {
        step('0');
        AutoUpdateAction(4, 0, nullptr);
        step('1');
        ApplyAutorunMode();
        step('2');
        DeleteAutorunSettings();
        // Step 3 would move the settings between the program folder and Application Data as a
        // settings-location frame chose; this program registers no such frame, and both callers
        // pass moveLocation false, so the settings never move from here.
        step('3');
        (void)moveLocation;
        (void)fromSettingsWindow;
    });
}

}  // namespace kestrune
