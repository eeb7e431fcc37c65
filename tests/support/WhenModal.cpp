#include "tests/support/WhenModal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace testsupport {

void TurnEventLoop() {
    // A loop of its own sleeps until an event comes, where processEvents would spin.
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

ModalDriver::~ModalDriver() { timers_.clear(); }

void ModalDriver::WhenModal(const QString& name, std::function<void(QWidget*)> action, int leaveOpenMs) {
    auto timer = std::make_unique<QTimer>();
    QTimer* poll = timer.get();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, name, leaveOpenMs, action = std::move(action)] {
        QWidget* shown = QApplication::activeModalWidget();
        if (!shown || (!name.isEmpty() && shown->objectName() != name)) return;
        poll->stop();
        QPointer<QWidget> window = shown;
        action(shown);
        if (leaveOpenMs <= 0) return;
        QTimer::singleShot(leaveOpenMs, [window, name] {
            if (!window || !window->isVisible()) return;
            ADD_FAILURE() << "the modal window " << name.toStdString() << " was left open";
            window->close();
        });
    });
    poll->start();
    timers_.push_back(std::move(timer));
}

}  // namespace testsupport
