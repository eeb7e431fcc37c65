#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "foundation/Application.h"
#include "host/ProgramBlock.h"
#include "platform/Executable.h"

namespace hosttest {

ScratchProgram::ScratchProgram() {
    testsupport::CopyTree(testsupport::AppDir(), app());
    platform::SetExecutablePathForTesting(exe());
    previousOpener_ = kestrune::SetShellOpenHandlerForTesting(
        [this](const std::string& url, int) { opened_.push_back(url); });
}

ScratchProgram::~ScratchProgram() {
    drivers_.clear();
    kestrune::SetShellOpenHandlerForTesting(std::move(previousOpener_));
    platform::SetExecutablePathForTesting("");
}

int ScratchProgram::Start(const std::vector<std::string>& parameters) {
    std::vector<std::string> params{exe()};
    params.insert(params.end(), parameters.begin(), parameters.end());
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "the start did not end by itself";
        kestrune::TerminateApplication(99);
    });
    watchdog.start(15000);
    // The start reads its own command line as the process's (the restart switch).
    platform::SetCommandLineForTesting(params);
    const int status = kestrune::RunProgramBlock(params);
    platform::SetCommandLineForTesting(std::nullopt);
    return status;
}

void ScratchProgram::WhenModal(const QString& name, std::function<void(QWidget*)> action) {
    auto timer = std::make_unique<QTimer>();
    QTimer* poll = timer.get();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, name, action = std::move(action)] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window->objectName() != name) return;
        poll->stop();
        action(window);
    });
    poll->start();
    drivers_.push_back(std::move(timer));
}

}  // namespace hosttest
