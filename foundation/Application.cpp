#include "foundation/Application.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "foundation/core/FolderTree.h"
#include "foundation/core/ProgramValues.h"

namespace kestrune {
namespace {
bool terminateRequested = false;
int exitStatus = 0;
}  // namespace

void TerminateApplication(int status) {
    if (!terminateRequested) exitStatus = status;
    terminateRequested = true;
    QCoreApplication::exit(exitStatus);
}

bool TerminateRequested() { return terminateRequested; }
int TerminationStatus() { return exitStatus; }

void ResetTermination() {
    const bool exitPending = terminateRequested;
    terminateRequested = false;
    exitStatus = 0;
    // QCoreApplication::exit leaves every event loop started afterwards (a modal window's too) to
    // return at once, until the main loop runs again. A new start in the same process runs the
    // main loop for one turn, so that its windows wait for their user again.
    if (exitPending && QCoreApplication::instance() && QThread::currentThread()->loopLevel() == 0) {
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}

namespace {
const ProgramValues terminationValues(ResetTermination);
}  // namespace

void InstallFolderTreeEventHook() {
    SetFolderTreeEventHook([] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    });
}

}  // namespace kestrune
