#pragma once
// What the tests of the online checks share: a scratch copy of the program folder that the
// program believes it runs from, the settings location of either mode, the loopback HTTP server of
// the agent's tests with the real agent, recorded location codes and page openings.

#include <gtest/gtest.h>

#include <QTimer>
#include <cstdio>
#include <memory>

#include "checks/AgentRun.h"
#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WhenModal.h"

namespace checktest {

// The parameter: true for the Application Data settings mode.
class CheckFixture : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        using namespace kestrune;
        testsupport::CopyTree(testsupport::AppDir(), app());
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        ResetProgramValuesForTesting();
        MustSetFilesInAppData = GetParam();
        UseAppData = GetParam();
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        env_.Set("KESTRUNE_AGENT_LIMITS", "connect=2,stall=1,run=6");
        env_.Set("no_proxy", "*");
        env_.Set("NO_PROXY", "*");
        previousOpener_ = SetShellOpenHandlerForTesting(
            [this](const std::string& url, int show) { opened.push_back(url + " " + std::to_string(show)); });
        server_ = std::make_unique<agenttest::LoopbackServer>(home_.root() + "/www", home_.root() + "/log");
    }
    void TearDown() override {
        using namespace kestrune;
        WaitForAgents();
        SetShellOpenHandlerForTesting(std::move(previousOpener_));
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }

    std::string app() const { return home_.root() + "/app"; }
    // A file of the settings folder, as a native path.
    std::string settings(const std::string& name) const {
        return platform::NativePath(kestrune::GetProgramPath(2, "") + name);
    }
    // Serves a file; how names a misbehaviour of the server (see http_server.py).
    void Serve(const std::string& name, const std::string& body, const std::string& how = "") {
        testsupport::WriteFile(home_.root() + "/www/" + name, body);
        const std::string behaviour = home_.root() + "/www/" + name + ".how";
        if (how.empty()) std::remove(behaviour.c_str());
        else testsupport::WriteFile(behaviour, how + "\n");
    }
    // How often the server was asked for the file with GET.
    int Fetched(const std::string& name) const {
        int count = 0;
        for (const std::string& line : server_->Log()) count += line == "GET /" + name;
        return count;
    }
    // Until every agent run has answered (its done handler has run).
    void WaitForAgents() {
        EXPECT_TRUE(testsupport::WaitFor(
            "every agent run to answer", [] { return kestrune::RunningAgentCount() == 0; },
            testsupport::TurnEventLoop));
    }
    // Until the check timer has stopped: the poll has taken the agent's answer.
    void WaitForTheEnd(const QTimer& timer) {
        EXPECT_TRUE(testsupport::WaitFor(
            "the poll to take the agent's answer and stop the check timer", [&] { return !timer.isActive(); },
            testsupport::TurnEventLoop));
    }

    kestrune::ErrorCodeRecorder errorCodes;
    std::vector<std::string> opened;
    testsupport::IsolatedHome home_;
    std::unique_ptr<agenttest::LoopbackServer> server_;

private:
    testsupport::ScopedEnv env_;
    kestrune::ShellOpenHandler previousOpener_;
};

}  // namespace checktest
