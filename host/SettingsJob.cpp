#include "host/SettingsJob.h"

#include <QPointer>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "host/Settings.h"
#include "language/LangProcessor.h"

namespace kestrune {

void RunSettingsWindowJob() {
    // The host's job timer runs this; a failure is its failure, and BusyFlag never stays set,
    // so that the timer's own end of the program still follows.
    Guard("01.007-01", [&] {
        const BusyScope busy;
        QPointer<TFormSettings> window = new TFormSettings();
        CaptureFormTexts(0, window);
        // Its texts are fixed: it follows a change of language while it is open.
        FollowLanguageChanges(window);
        TranslateForm(0, window);
        if (window) window->exec();
    });
}

}  // namespace kestrune
