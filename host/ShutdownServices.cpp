#include "host/IncludeModules.h"

#include "checks/UnitAutoUpdate.h"
#include "errors/ErrorProcessor.h"
#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "host/Autorun.h"
#include "host/ServiceHelpers.h"
#include "platform/FileSystem.h"

namespace kestrune {

void ShutdownIncludeModules() {
    Guard("UIF.012-01", [&] {
        RemoveTrayIcon();
        platform::RemoveFileIfPresent(GetProgramPath(0, "Temp.mht"));
        DeleteErrorTempFiles();
        DeleteCheckFlags();
        SaveSettingsWindow();
    });
}

void SaveSettingsWindow() {
    std::string code = "UIF.013-00";
    auto step = [&](char number) { code = std::string("UIF.013-0") + number; };
    Guard(code, [&] {
        step('0');
        AutoUpdateAction(4, 0, nullptr);
        step('1');
        ApplyAutorunMode();
        step('2');
        DeleteAutorunSettings();
    });
}

}  // namespace kestrune
