#include "foundation/ModalWindows.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <utility>

#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool BusyFlag = false;

const ProgramValues busyValues([] { BusyFlag = false; });

namespace {

FormTranslationHook& TranslationHook() {
    static FormTranslationHook hook;
    return hook;
}

// Ends the nested loop when the window is hidden (closed) or destroyed.
class CloseWatcher : public QObject {
public:
    explicit CloseWatcher(QEventLoop& loop) : loop_(loop) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A window the user minimises is hidden by the window system too; only a close ends it.
        if (event->type() == QEvent::Hide && !event->spontaneous()) loop_.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};

const QString kUndoerName = QStringLiteral("kestrune_come_back");

// Watches one window's state; a minimised window is shown normally again once the event that
// minimised it is over.
class MinimiseUndoer : public QObject {
public:
    explicit MinimiseUndoer(QWidget* window) : QObject(window), window_(window) {
        setObjectName(kUndoerName);
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::WindowStateChange &&
            (window_->windowState() & Qt::WindowMinimized))
            QTimer::singleShot(0, this, [this] { ComeBack(); });
        return QObject::eventFilter(watched, event);
    }

    void ComeBack() {
        if (!window_ || !window_->isVisible() || !(window_->windowState() & Qt::WindowMinimized)) return;
        window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
        window_->show();
        BringToFront(window_);
    }

private:
    QPointer<QWidget> window_;
};

void RunModal(QWidget* form) {
    if (auto* dialog = qobject_cast<QDialog*>(form)) {
        ExecModal(*dialog);
        return;
    }
    ComeBackWhenMinimised(form);
    // The window may free itself when it closes.
    QPointer<QWidget> window = form;
    QEventLoop loop;
    CloseWatcher watcher(loop);
    window->installEventFilter(&watcher);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    BringToFront(window);
    loop.exec();
    if (window) window->removeEventFilter(&watcher);
}

}  // namespace

void ComeBackWhenMinimised(QWidget* window) {
    if (!window || window->findChild<QObject*>(kUndoerName, Qt::FindDirectChildrenOnly)) return;
    new MinimiseUndoer(window);
}

void ShowMinimisedWindowsAgain() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QObject* child = window->findChild<QObject*>(kUndoerName, Qt::FindDirectChildrenOnly);
        if (auto* undoer = dynamic_cast<MinimiseUndoer*>(child)) undoer->ComeBack();
    }
}

void ComeBackAfterUnansweredStretch() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    // A minimise that the window system made meanwhile is only news waiting in its queue; the
    // user's clicks and keys of that time stay where they are.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ShowMinimisedWindowsAgain();
}

int ExecModal(QDialog& dialog) {
    ComeBackWhenMinimised(&dialog);
    // A box or window opened above a minimised one would not be seen either (a window manager
    // keeps what belongs to a minimised window off the screen).
    ShowMinimisedWindowsAgain();
    return dialog.exec();
}

FormTranslationHook SetFormTranslationHook(FormTranslationHook hook) {
    return std::exchange(TranslationHook(), std::move(hook));
}

void ShowFormModal(bool translate, WindowHandle returnWindow, const std::function<QWidget*()>& createForm) {
    const BusyScope busy;
    Guard("UP.007-01", [&] {
        QPointer<QWidget> form = createForm();
        if (!form) throw std::runtime_error("the window could not be created");
        const auto freeForm = qScopeGuard([&form] { delete form.data(); });
        if (translate && TranslationHook()) TranslationHook()(form.data());
        KeepAboveOpenModalWindow(form.data());
        BringToFront(form.data());
        RunModal(form.data());
        BringToFront(returnWindow);
    });
}

}  // namespace kestrune
