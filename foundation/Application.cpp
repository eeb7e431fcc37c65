#include "foundation/Application.h"

#include <QCoreApplication>

#include "foundation/core/FolderTree.h"

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
    terminateRequested = false;
    exitStatus = 0;
}

void InstallFolderTreeEventHook() {
    SetFolderTreeEventHook([] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    });
}

}  // namespace kestrune
