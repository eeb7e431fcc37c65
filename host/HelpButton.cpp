#include "host/IncludeModules.h"

#include <QMenu>

#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/ServiceHelpers.h"
#include "language/ClickMemo.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"

namespace kestrune {

using services::Child;

QPointer<QWidget> HelpFrame;
QPointer<QMenu> HelpMenuItem;
QPointer<QAction> HelpMenuItem2;

const ProgramValues helpButtonValues([] {
    HelpFrame = nullptr;
    HelpMenuItem = nullptr;
    HelpMenuItem2 = nullptr;
});

void BuildHelpLanguageMenu(int mode, QMenu* item, QAction*) {
    Guard("UIF.009-01", [&] {
        if (!IncludeModulesReady) return;
        // The items are made through the host's menu (Item) and fire the help frame's handler.
        QObject* holder = Child<TClickMemo>(HelpFrame, "NTCProHlp");
        if (mode == 0 || mode == 1) AddHelpLanguageItems(HelpMenuItem, item, holder);
    });
}

void RefreshHelpButtonMenu(QObject* item) {
    Guard("UIF.002-01", [&] {
        if (!SeveralHelpLanguages) return;
        if (auto* frame = qobject_cast<TUFrameHlpBtn*>(HelpFrame)) frame->InitPopUpMenu(item);
    });
}

void SetupHelpButtonFrame(QWidget* frame, QObject* item) {
    Guard("UIF.004-01", [&] {
        if (auto* button = Child<QWidget>(frame, "HlpBtn")) button->setEnabled(HelpFound);
        if (auto* button = Child<QWidget>(frame, "BitBtn1")) button->setVisible(SeveralHelpLanguages);
        if (!SeveralHelpLanguages) return;
        if (auto* helpFrame = qobject_cast<TUFrameHlpBtn*>(frame)) helpFrame->InitPopUpMenu(item);
    });
}

}  // namespace kestrune
