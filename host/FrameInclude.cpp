#include "host/FrameInclude.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "checks/UFormAutoComponents.h"
#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "host/IncludeModules.h"
#include "language/CarrierFrames.h"
#include "language/ClickMemo.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"

namespace kestrune {
namespace {

template <class T>
T* Ensure(QWidget* parent, const char* name) {
    if (auto* found = parent->findChild<T*>(name, Qt::FindDirectChildrenOnly)) return found;
    auto* made = new T(parent);
    made->setObjectName(name);
    return made;
}

// A carrier frame of its own class; a stand-in of another class under its name gives way.
template <class Frame>
Frame* EnsureFrame(QWidget* panel, const char* name) {
    QWidget* found = panel->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (auto* frame = qobject_cast<Frame*>(found)) return frame;
    delete found;
    auto* frame = new Frame(panel);
    frame->setObjectName(name);
    return frame;
}

}  // namespace

void CreateIncludePanelComponents(QWidget* panel) {
    if (!panel) return;
    const bool driverMissing = !panel->findChild<QTimer*>("TimerUCNV", Qt::FindDirectChildrenOnly);
    for (const char* name : {"TimerUCNV", "TimerUCAC"}) Ensure<QTimer>(panel, name)->setInterval(500);
    if (driverMissing) {
        QTimer* versionTimer = panel->findChild<QTimer*>("TimerUCNV", Qt::FindDirectChildrenOnly);
        QObject::connect(versionTimer, &QTimer::timeout, versionTimer, [versionTimer] { TimerUCNVTimer(versionTimer); });
        QTimer* addonTimer = panel->findChild<QTimer*>("TimerUCAC", Qt::FindDirectChildrenOnly);
        QObject::connect(addonTimer, &QTimer::timeout, addonTimer, [] { TUFormAutoComponents::TimerUCACTimer(); });
    }
    Ensure<QTimer>(panel, "TimerUTZMSG")->setInterval(1000);

    auto* languages = EnsureFrame<TUFrameLangComponents>(panel, "FrameLangComponents1");
    languages->hide();
    // Every language load ends by firing this memo's handler.
    QPointer<QWidget> watched = panel;
    QObject::disconnect(languages->MChoseLan, &TClickMemo::Clicked, nullptr, nullptr);
    QObject::connect(languages->MChoseLan, &TClickMemo::Clicked, panel, [watched](QObject* sender) {
        if (watched) FrameLangComponents1MChoseLanClick(watched, sender);
    });
    auto* procedures = EnsureFrame<TUFrameUProcedures>(panel, "FrameUProcedures1");
    procedures->hide();
    procedures->setEnabled(false);
    EnsureFrame<TUFrameTUAU>(panel, "FrameTUAU1")->hide();
}

void FrameLangComponents1MChoseLanClick(QWidget* panel, QObject*) {
    if (!panel) return;
    // Frames are looked up each time: one that is gone is simply not reached.
    auto frame = [panel](const char* name) { return panel->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly); };
    const bool settingsOpen = SettingsFrameShown && SettingsFrame;

    TranslateForm(1, HostForm);
    if (auto* procedures = qobject_cast<TUFrameUProcedures*>(frame("FrameUProcedures1"))) {
        TranslateFramePlain(1, procedures);
        procedures->MsgSErrorCaptionClick(panel);
    }
    if (settingsOpen) TranslateFramePlain(1, SettingsFrame);
    if (auto* status = qobject_cast<TUFrameTUAU*>(frame("FrameTUAU1"))) {
        TranslateFramePlain(1, status);
        status->StatusAU1Click(panel);
    }
    if (settingsOpen && SettingsFrame) SettingsFrame->Panel2->setText(QString::fromStdString(UpdateStatusText));
    // Windows that were translated when they opened follow too (the settings window).
    TranslateFollowedForms();

    auto* help = qobject_cast<TUFrameHlpBtn*>(HelpFrame);
    if (help) help->HlpBtn->setEnabled(HelpFound);
    if (HelpMenuItem) HelpMenuItem->menuAction()->setVisible(SeveralHelpLanguages);
    if (HelpMenuItem2) HelpMenuItem2->setVisible(!SeveralHelpLanguages);
    if (help) help->BitBtn1->setVisible(SeveralHelpLanguages);
    if (help && SeveralHelpLanguages) help->InitPopUpMenu(panel);
}

// The handler carries no location code: the check's routines report for themselves.
void TimerUCNVTimer(QTimer* timer) {
    if (!timer) return;
    if (timer->interval() == 500) {
        AutoUpdateAction(0, 0, timer);
        if (!timer->isActive()) AutoUpdateAction(2, 0, timer);
        return;
    }
    if (!VersionCheckEnabled) {
        timer->stop();
        timer->setInterval(500);
    }
    if (!IsInternetConnected() && VersionCheckOnlineOnly) return;
    StartVersionCheck(0);
    timer->setInterval(500);
}

}  // namespace kestrune
