#pragma once
// Whole starts of the program in this process, from a scratch copy of the program folder, and
// the driving of the modal windows they open.

#include <QApplication>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ShellOpen.h"
#include "foundation/UniversalProcedures.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WhenModal.h"

namespace hosttest {

// A scratch program folder with HOME, TEMP and the registry store beside it; the program
// believes it runs from there. Page openings and message boxes are recorded instead of reaching
// the desktop. The program-wide values are at their start values when it is made and again when
// it goes.
class ScratchProgram {
public:
    ScratchProgram();
    ~ScratchProgram();
    ScratchProgram(const ScratchProgram&) = delete;
    ScratchProgram& operator=(const ScratchProgram&) = delete;

    std::string app() const { return home_.root() + "/app"; }
    std::string exe() const { return app() + "/KV.Kestrune"; }
    const testsupport::IsolatedHome& home() const { return home_; }
    const std::vector<std::string>& openedUrls() const { return opened_; }
    const std::vector<kestrune::MessageBoxCall>& boxes() const { return boxes_.calls(); }

    // RunProgramBlock with these parameters; a watchdog ends a run that hangs (status 99).
    int Start(const std::vector<std::string>& parameters);

    // Runs action once on the first modal window with this object name, when it is up.
    void WhenModal(const QString& name, std::function<void(QWidget*)> action);

private:
    testsupport::IsolatedHome home_;
    kestrune::MessageBoxRecorder boxes_;
    std::vector<std::string> opened_;
    testsupport::ScopedHook<kestrune::ShellOpenHandler> opener_{
        kestrune::SetShellOpenHandlerForTesting, [this](const std::string& url, int) { opened_.push_back(url); }};
    testsupport::ModalDriver driver_;
};

}  // namespace hosttest
