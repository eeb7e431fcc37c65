#include "host/FrameInclude.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QTimer>

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
    for (const char* name : {"TimerUCNV", "TimerUCAC"}) Ensure<QTimer>(panel, name)->setInterval(500);
    Ensure<QTimer>(panel, "TimerUTZMSG")->setInterval(1000);
    auto* languages = Ensure<QFrame>(panel, "FrameLangComponents1");
    for (const char* memo : {"MChoseLan", "MDefaultlan", "MLanCapt", "MLanProc"}) Ensure<QPlainTextEdit>(languages, memo);
    for (const char* frame : {"FrameUProcedures1", "FrameTUAU1"}) Ensure<QFrame>(panel, frame)->hide();
}

}  // namespace kestrune
