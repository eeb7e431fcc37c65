#pragma once
// A program folder and an Application Data folder in a scratch folder, the failures that the
// code under test reports, and every message box it would have shown.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/URegInA.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

class FoundationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        testsupport::WriteFile(app() + "/KV.Kestrune", "");
        kestrune::ResetProgramValuesForTesting();
        kestrune::ProgramSettingsFolder = "KV.Kestrune\\Prog";
    }
    void TearDown() override {
        platform::SetExecutablePathForTesting("");
        kestrune::ResetProgramValuesForTesting();
    }

    std::string app() const { return home_.root() + "/app"; }
    std::string appData() const { return kestrune::GetSpecialFolder(0); }
    std::string programSettings() const { return app() + "/Settings"; }
    std::string product() const { return appData() + "/KV.Kestrune"; }

    kestrune::ErrorCodeRecorder errorCodes;
    std::vector<std::string>& errors = errorCodes.codes;  // location codes handed to the error processor
    kestrune::MessageBoxRecorder boxes;

private:
    testsupport::IsolatedHome home_;
};
