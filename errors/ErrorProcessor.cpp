#include "errors/ErrorProcessor.h"

#include <QApplication>
#include <QPointer>
#include <cerrno>
#include <optional>
#include <utility>

#include "errors/ErrorLog.h"
#include "errors/UFormError.h"
#include "foundation/Application.h"
#include "foundation/CounterFiles.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/Quietly.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace kestrune {

QPointer<TUFormError> UFormError;

const ProgramValues errorValues([] { UFormError = nullptr; });

namespace {

ErrorWindowRunner& Runner() {
    static ErrorWindowRunner runner;
    return runner;
}

// Set when a failure window closes, until the program is back in an event loop: a failure in
// between follows from the one just shown (the routine that called the failed one fails in turn)
// and is logged without a window of its own.
bool g_followingShownFailure = false;

void MarkFollowingShownFailure() {
    g_followingShownFailure = true;
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            application, [] { g_followingShownFailure = false; }, Qt::QueuedConnection);
}

std::string TempCopyPath() { return GetSpecialFolder(1) + "\\" + kOwnProductName + " " + kOwnVersion + " Error.tmp"; }

enum class WindowKind { Failure, Report, Review };

// Creates the window, opens it in the layout of its kind, shows it modally under BusyFlag and
// frees it when it closes.
void ShowErrorWindow(WindowKind kind, const std::string& fullCode) {
    if (!QApplication::instance()) return;  // nothing can be shown without the application
    // Not ShowFormModal: its guard would hand a failure of the error window back to the error
    // processor, a test may run the window its own way, and a failure window clears BusyFlag
    // even when another job had set it (below). BusyFlag is held from the layout on.
    std::optional<BusyScope> busy;
    QPointer<TUFormError> window;
    Quietly([&] {
        window = new TUFormError(nullptr);
        UFormError = window;
        switch (kind) {
            case WindowKind::Failure:
                window->ShowFailureLayout(fullCode);
                window->raise();
                QApplication::beep();
                break;
            case WindowKind::Report: window->ShowReportLayout(); break;
            case WindowKind::Review: window->ShowReviewLayout(); break;
        }
        busy.emplace();
        KeepAboveOpenModalWindow(window);
        window->raise();
        window->activateWindow();
        if (Runner()) {
            Runner()(*window);
        } else {
            ExecModal(*window);
        }
    });
    // Freed however the showing ended: a window left behind would keep ErrorWindowOpen set, and
    // every later failure of the run would go unlogged. A run that the window ended (close
    // program) keeps the flag: nothing on its way out opens another window.
    delete window.data();
    UFormError = nullptr;
    if (!TerminateRequested()) ErrorWindowOpen = false;
    busy.reset();
    // After a failure window BusyFlag is always clear, also when another job had set it.
    if (kind == WindowKind::Failure) {
        BusyFlag = false;
        MarkFollowingShownFailure();
    }
}

}  // namespace

void InstallErrorProcessor() {
    g_followingShownFailure = false;
    SetErrorHandler(ProcessErrorNow);
    SetCounterDumpSink([](const std::string& lines) { ErrorDump += lines; });
}

void ProcessErrorNow(const std::string& code) {
    const int lastSystemError = platform::LastSystemError();  // before anything here changes it
    Quietly([&] {
        if (ErrorReportingOff) return;
        // The mode belongs to the window about to open: a failure under an open report window
        // must not turn the caller's report into a report of this program's own log. "Kestrune" is
        // a pseudo-code of the calling programs, not the product's name: it never follows a rename.
        if (code == "Kestrune") {
            ReporterMode = true;
            ShowErrorWindow(WindowKind::Report, std::string());
            return;
        }
        if (code == "review") {
            ReporterMode = false;
            ShowErrorWindow(WindowKind::Review, std::string());
            return;
        }
        ErrorOccurred = true;
        // A routine that fails while the entry is being made (the settings listing, a path)
        // reports back here: it is counted like a failure under the open window, never logged
        // again, or the entry would call itself without end.
        static bool writingEntry = false;
        if (ErrorWindowOpen || writingEntry) return;
        ReporterMode = false;
        writingEntry = true;
        FailureDescription failure;
        failure.fullCode = code + "." + std::to_string(lastSystemError);
        Quietly([&] {
            failure = DescribeCurrentFailure(code, lastSystemError);
            // The window is shown whether or not the log could be written.
            WriteErrorLogEntry(BuildLogEntry(failure));
        });
        writingEntry = false;
        if (g_followingShownFailure) return;
        ShowErrorWindow(WindowKind::Failure, failure.fullCode);
    });
}

void DeleteErrorTempFiles() {
    Quietly([&] { platform::RemoveFile(TempCopyPath()); });
    Quietly([&] { platform::RemoveFile(platform::ExecutableFolder() + "/Resource/test.ini"); });
}

ErrorWindowRunner SetErrorWindowRunnerForTesting(ErrorWindowRunner runner) {
    return std::exchange(Runner(), std::move(runner));
}

}  // namespace kestrune
