#include "host/FrameInclude.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QTimer>

#include "checks/UnitAutoUpdate.h"

namespace kestrune {
namespace {

template <class T>
T* Ensure(QWidget* parent, const char* name) {
    if (auto* found = parent->findChild<T*>(name, Qt::FindDirectChildrenOnly)) return found;
    auto* made = new T(parent);
    made->setObjectName(name);
    return made;
}

}  // namespace

// Placeholder until the include panel lands: bare components with the design names and states.
void CreateIncludePanelComponents(QWidget* panel) {
    if (!panel) return;
    const bool driverMissing = !panel->findChild<QTimer*>("TimerUCNV", Qt::FindDirectChildrenOnly);
    for (const char* name : {"TimerUCNV", "TimerUCAC"}) Ensure<QTimer>(panel, name)->setInterval(500);
    if (driverMissing) {
        QTimer* versionTimer = panel->findChild<QTimer*>("TimerUCNV", Qt::FindDirectChildrenOnly);
        QObject::connect(versionTimer, &QTimer::timeout, versionTimer, [versionTimer] { TimerUCNVTimer(versionTimer); });
    }
    Ensure<QTimer>(panel, "TimerUTZMSG")->setInterval(1000);
    // Frames mark where a window's translation stops: each is translated through its own call.
    auto* languages = Ensure<QFrame>(panel, "FrameLangComponents1");
    languages->setProperty("languageFrame", true);
    for (const char* memo : {"MChoseLan", "MDefaultlan", "MLanCapt", "MLanProc"}) Ensure<QPlainTextEdit>(languages, memo);
    for (const char* name : {"FrameUProcedures1", "FrameTUAU1"}) {
        auto* frame = Ensure<QFrame>(panel, name);
        frame->setProperty("languageFrame", true);
        frame->hide();
    }
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
