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

}  // namespace kestrune
