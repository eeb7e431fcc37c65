#include "foundation/WindowHandle.h"

#include <QApplication>
#include <QWidget>

namespace kestrune {

void BringToFront(WindowHandle window) {
    if (!window) return;
    window->raise();
    // A window that takes no focus (the invisible host) is not asked to: Qt warns on stderr.
    if (!window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) window->activateWindow();
}

void KeepAboveOpenModalWindow(QWidget* window) {
    const QWidget* open = QApplication::activeModalWidget();
    if (window && open && open != window && open->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

}  // namespace kestrune
