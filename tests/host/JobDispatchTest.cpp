// The host window's job timer: which job each command line asks for, and the values it sets
// before the feedback and report pages. The pages themselves are recorded, not shown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <filesystem>

#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/UnitMain.h"
#include "platform/Executable.h"
#include "tests/support/TestSupport.h"

using namespace kestrune;

namespace {

class JobDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::CopyTree(testsupport::AppDir(), app());
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        ResetProgramValuesForTesting();
    }
    void TearDown() override {
        SetErrorHandler(previous_);
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    std::string app() const { return home_.root() + "/app"; }
    // FormCreate runs with the error processor left as it is; then every code is recorded.
    std::unique_ptr<TFormKestrune> Create(std::vector<std::string> params) {
        params.insert(params.begin(), app() + "/KV.Kestrune");
        auto host = std::make_unique<TFormKestrune>(params);
        previous_ = SetErrorHandler([this](const std::string& code) { codes_.push_back(code); });
        return host;
    }

    testsupport::IsolatedHome home_;
    ErrorHandler previous_;
    std::vector<std::string> codes_;
};

TEST_F(JobDispatch, EachModeRunsItsJobAndEnds) {
    struct Row {
        const char* label;
        std::vector<std::string> params;
        std::vector<std::string> codes;  // what reaches the error processor
        int status;
    } rows[] = {
        {"mode 0", {"0", "Prog", "2.0", "English"}, {}, 0},
        {"not a number counts as 0", {"abc", "Prog", "2.0", "English"}, {}, 0},
        {"feedback", {"2", "Prog", "2.0", "Russian", "", "author@example.org"}, {"review"}, 0},
        {"feedback without an address", {"2", "Prog", "2.0", "Russian"}, {}, 0},
        {"report", {"3", "Prog", "2.0", "English", "", "x", "/tmp/caller.log"}, {"Kestrune"}, 0},
        {"report written 03", {"03", "Prog", "2.0", "English", "", "x"}, {"Kestrune"}, 0},
        {"report without P6", {"3", "Prog", "2.0", "English", "", "", "/tmp/caller.log"}, {}, 0},
        {"unknown mode", {"9", "Prog", "2.0", "English", "", "x"}, {}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        codes_.clear();
        ResetTermination();
        auto host = Create(row.params);
        ASSERT_FALSE(host->CloseAtStart);
        host->Timer1Timer();
        EXPECT_EQ(codes_, row.codes);
        EXPECT_TRUE(TerminateRequested());
        EXPECT_EQ(TerminationStatus(), row.status);
        EXPECT_FALSE(host->Timer1->isActive());
        SetErrorHandler(previous_);
    }
}

TEST_F(JobDispatch, FeedbackAndReportNameTheCallingProgram) {
    auto host = Create({"2", "Prog", "2.0", "Russian", "", "author@example.org"});
    host->Timer1Timer();
    EXPECT_EQ(ProductName, "Prog");
    EXPECT_EQ(VersionTag, "2.0");
    EXPECT_EQ(AuthorAddress, "author@example.org");
    EXPECT_FALSE(ErrorOccurred);
    SetErrorHandler(previous_);

    host = Create({"3", "Caller", "5.1", "English", "", "x", "/tmp/caller.log"});
    EXPECT_TRUE(SuppressCheckWindows);
    host->Timer1Timer();
    EXPECT_EQ(ProductName, "Caller");
    EXPECT_EQ(VersionTag, "5.1");
    EXPECT_TRUE(ErrorOccurred);
    EXPECT_NE(AuthorAddress, "x");  // the report goes to the developer, not to P6
    SetErrorHandler(previous_);

    // Only the exact text "3" hides the check windows.
    host = Create({"03", "Caller", "5.1", "English", "", "x"});
    EXPECT_FALSE(SuppressCheckWindows);
}

TEST_F(JobDispatch, DerivedValuesAndLanguageRules) {
    auto host = Create({"0", "Prog", "2.0", "english", "/icons/prog.png", "http://127.0.0.1:9/files/"});
    EXPECT_EQ(FilePrefix, "Prog_2.0");
    EXPECT_EQ(CheckUrl, "http://127.0.0.1:9/files/");
    EXPECT_EQ(IconPath, "/icons/prog.png");
    EXPECT_EQ(CallingProgramName, "Prog");
    EXPECT_FALSE(StartMessagesAllowed);
    // "english" is no known language: a mode with an incomplete command line closes at start.
    EXPECT_TRUE(host->CloseAtStart);
    EXPECT_TRUE(host->FirstChooseDone);
}

TEST_F(JobDispatch, TheJobTimerIsAPrecise100Ms) {
    auto host = Create({"0", "Prog", "2.0", "English"});
    EXPECT_EQ(host->Timer1->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(host->Timer1->interval(), 100);
    EXPECT_FALSE(host->Timer1->isSingleShot());
}

TEST_F(JobDispatch, TheTimerWaitsWhileBusy) {
    auto host = Create({"0", "Prog", "2.0", "English"});
    host->Timer1->start();
    BusyFlag = true;
    host->Timer1Timer();
    EXPECT_FALSE(TerminateRequested());
    EXPECT_TRUE(host->Timer1->isActive());
    BusyFlag = false;
    host->Timer1Timer();
    EXPECT_TRUE(TerminateRequested());
    EXPECT_FALSE(host->Timer1->isActive());
}

}  // namespace
