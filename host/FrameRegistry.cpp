#include "host/IncludeModules.h"

#include <QLabel>

#include "checks/UnitAutoUpdate.h"
#include "foundation/core/Guard.h"
#include "language/LangProcessor.h"

namespace kestrune {

bool SettingsFrameShown = false;
QPointer<TUFrame1> SettingsFrame;
QPointer<QWidget> ChoosePatchFrame;

void RegisterSettingsFrame(bool mode, bool active, bool shown, TUFrame1* frame) {
    Guard("UIF.005-01", [&] {
        SettingsFrameShown = shown;
        if (frame) {
            SettingsFrame = frame;
            CaptureFrameTexts(mode ? 1 : 0, frame);
            TranslateFramePlain(mode ? 1 : 0, frame);
        }
        if (!SettingsFrame) return;
        const bool checkRunning = TimerUCNV && TimerUCNV->isActive();
        if (active && checkRunning) {
            UpdateCheckStatusText(false);
            SettingsFrame->Panel2->setText(QString::fromStdString(UpdateStatusText));
        }
        if (active) SettingsFrame->ULaunchCheck(6, 0, nullptr);
        // An agent already polled for: check-now waits for its answer as after its own begin,
        // so a second agent never runs beside the first. The timer's poll gives the button back.
        if (active && checkRunning && TimerUCNV->interval() == 500) SettingsFrame->Button2->setEnabled(false);
    });
}

}  // namespace kestrune
