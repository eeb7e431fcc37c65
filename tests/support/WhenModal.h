#pragma once
// Driving modal windows from a test: the action runs once the window is up, inside its modal
// loop, and a window the action leaves open is closed after a while with a failure, so that no
// test can hang on it.

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace testsupport {

// One turn of the event loop, waiting up to 20 ms for something to happen: the step of a
// WaitFor (TestSupport.h) in a test that runs timers or agents.
void TurnEventLoop();

class ModalDriver {
public:
    ModalDriver() = default;
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Runs action once on the first modal window with this object name (any modal window for an
    // empty name). Waits as long as the driver lives; a window still open leaveOpenMs after the
    // action is closed and the test fails (0: the action may leave it open).
    void WhenModal(const QString& name, std::function<void(QWidget*)> action, int leaveOpenMs = 0);

private:
    std::vector<std::unique_ptr<QTimer>> timers_;
};

}  // namespace testsupport
