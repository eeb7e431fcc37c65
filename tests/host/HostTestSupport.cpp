#include "tests/host/HostTestSupport.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "foundation/Application.h"
#include "foundation/core/ProgramValues.h"
#include "host/ProgramBlock.h"
#include "platform/Executable.h"

namespace hosttest {

ScratchProgram::ScratchProgram() {
    kestrune::ResetProgramValuesForTesting();
    testsupport::CopyTree(testsupport::AppDir(), app());
    platform::SetExecutablePathForTesting(exe());
}

ScratchProgram::~ScratchProgram() {
    platform::SetExecutablePathForTesting("");
    kestrune::ResetProgramValuesForTesting();
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
    driver_.WhenModal(name, std::move(action));
}

}  // namespace hosttest
