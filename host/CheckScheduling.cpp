#include "host/IncludeModules.h"

#include "checks/AddonCheck.h"
#include "checks/UMessageForm.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"

namespace kestrune {

bool ChecksStarted = false;
QPointer<QTimer> TimerUCNV;
QPointer<QTimer> TimerUTZMSG;

const ProgramValues scheduleValues([] {
    ChecksStarted = false;
    TimerUCNV = nullptr;
    TimerUTZMSG = nullptr;
});

bool FirstPaintServices(bool onlyReport) {
    bool result = false;
    Guard("UIF.011-01", [&] {
        if (ChecksStarted || CurrentLanguage.empty()) return;
        ChecksStarted = true;
        if (onlyReport) {
            result = VersionCheckEnabled;
        } else {
            AutoUpdateAction(3, 0, nullptr);
            AutoUpdateAction(1, 0, TimerUCNV);
        }
        if (AddonSwitch && AddonHelperPresent && AddonCheckEnabled) {
            if (AddonCheckOnlineOnly && !IsInternetConnected()) {
                if (TimerUCAC) {
                    TimerUCAC->setInterval(10000);
                    TimerUCAC->start();
                }
            } else {
                if (CheckNewFile()) CheckEndCheckedWF();
                LaunchCheckUAC(false);
            }
        }
        if (IsInternetConnected()) {
            messages::CheckNewFile(HostForm);
            messages::LaunchCheckUAC();
        }
    });
    return result;
}

}  // namespace kestrune
