#pragma once
// Starts of the built program from a copy of the program folder under a scratch home, with the
// window driver preloaded: it reports the first modal window and closes it as told.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

class DrivenStart : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef KESTRUNE_MODAL_DRIVER
        GTEST_SKIP() << "no window driver in this build";
#else
        ASSERT_FALSE(testsupport::AppDir().empty());
        testsupport::CopyTree(testsupport::AppDir(), app());
#endif
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string report() const { return home_.root() + "/driver-report"; }
    // action: the name of the button to click in the first modal window, or "Esc".
    testsupport::ProcessResult Start(const std::vector<std::string>& params, const std::string& action,
                                     std::map<std::string, std::string> env = {}) {
        std::remove(report().c_str());
        std::vector<std::string> argv{app() + "/KV.Kestrune"};
        argv.insert(argv.end(), params.begin(), params.end());
        env["QT_QPA_PLATFORM"] = "offscreen";
#ifdef KESTRUNE_MODAL_DRIVER
        env["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
#endif
        env["KESTRUNE_DRIVER_REPORT"] = report();
        env["KESTRUNE_DRIVER_ACTION"] = action;
        return testsupport::RunProcess(argv, env, testsupport::kStateDeadlineMs);
    }
    std::string shownWindow() const {
        const std::string shown = testsupport::ReadFile(report());
        return shown.substr(0, shown.find('|'));
    }

    testsupport::IsolatedHome home_;
};
