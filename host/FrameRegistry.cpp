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
        if (!active) return;
        // The controls first: filling them ends with the status of a finished check, which must
        // not replace the status of a check still under way.
        SettingsFrame->ULaunchCheck(6, 0, nullptr);
        if (TimerUCNV && TimerUCNV->isActive()) {
            UpdateCheckStatusText(false);
            SettingsFrame->Panel2->setText(QString::fromStdString(UpdateStatusText));
            // An agent already polled for: check-now waits for its answer as after its own begin,
            // so a second agent never runs beside the first. The timer's poll gives it back.
            if (TimerUCNV->interval() == 500) SettingsFrame->Button2->setEnabled(false);
        }
    });
}

}  // namespace kestrune
