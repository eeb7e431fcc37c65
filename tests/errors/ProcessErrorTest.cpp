#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTabWidget>
#include <filesystem>

#include <sys/stat.h>

#include "errors/ErrorLog.h"
#include "platform/FileSystem.h"
#include "tests/errors/ErrorFixture.h"

namespace {

using namespace kestrune;
namespace fs = std::filesystem;

// What the window looked like when the error processor showed it.
struct Shown {
    int count = 0;
    std::string page;
    int height = 0;
    std::string panel2;
    std::string caption;
    bool busy = false;
    bool restartEnabled = true;
};

class ProcessErrorTest : public errortest::ErrorProcessorFixture {
protected:
    void SetUp() override {
        ErrorProcessorFixture::SetUp();
        SetErrorWindowRunnerForTesting([this](QDialog& window) {
            ++shown_.count;
            shown_.page = window.findChild<QTabWidget*>("PageControl1")->currentWidget()->objectName().toStdString();
            shown_.height = window.height();
            shown_.panel2 = window.findChild<QLabel*>("Panel2")->text().toStdString();
            shown_.caption = window.windowTitle().toStdString();
            shown_.busy = BusyFlag;
            shown_.restartEnabled = window.findChild<QWidget*>("Button1")->isEnabled();
            if (duringWindow_) duringWindow_();
            window.close();
        });
    }

    Shown shown_;
    std::function<void()> duringWindow_;
};

TEST_F(ProcessErrorTest, FailureIsLoggedAndShownOnTheErrorPage) {
    errno = 0;
    BusyFlag = true;  // another job's window was up: a failure window leaves the flag clear
    errortest::FailAt("URG.003-02");

    EXPECT_TRUE(ErrorOccurred);
    EXPECT_FALSE(BusyFlag);
    EXPECT_FALSE(ErrorWindowOpen);
    EXPECT_FALSE(ReporterMode);
    EXPECT_EQ(shown_.count, 1);
    EXPECT_TRUE(shown_.busy);
    EXPECT_EQ(shown_.page, "NTCTabSheet1");
    EXPECT_EQ(shown_.height, 175);
    EXPECT_FALSE(shown_.restartEnabled);
    // English is chosen and no pack can be read: the window speaks the built-in English.
    EXPECT_EQ(shown_.panel2, "    Error code: 1.0.3-URG.003-02.0");

    const std::string log = testsupport::ReadFile(LogPath());
    EXPECT_EQ(log.rfind(std::string(49, '=') + "\r\n05/03/2027 [07:04:09]\r\n", 0), 0u);
    EXPECT_NE(log.find("Adress = URG.003-02.0 [std::runtime_error]\r\n"), std::string::npos);
    // Only the one entry, and nothing copied into the shared TEMP folder.
    EXPECT_EQ(log.find("Adress = ", log.find("Adress = ") + 1), std::string::npos);
    EXPECT_TRUE(platform::ListDirectory(Temp()).empty());
    EXPECT_EQ(platform::ListDirectory(AppFolder() + "/ErrorLog"), std::vector<std::string>{"Error.Log"});
}

TEST_F(ProcessErrorTest, NewEntryGoesOnTopAndTheOldPartIsCapped) {
    std::string old;
    for (int i = 0; i < 100; ++i) old += "old line " + std::string(589, 'x') + "\r\n";  // 598 characters
    testsupport::WriteFile(LogPath(), old);

    errortest::FailAt("UP.006-01");

    const std::string log = testsupport::ReadFile(LogPath());
    const std::size_t oldStart = log.find("old line ");
    ASSERT_NE(oldStart, std::string::npos);
    EXPECT_NE(log.find("Adress = UP.006-01."), std::string::npos);
    EXPECT_LT(log.find("Adress = UP.006-01."), oldStart);
    EXPECT_EQ(log.substr(oldStart), old.substr(0, 85 * 600));
}

TEST_F(ProcessErrorTest, TheLogIsNeverWrittenThroughTheSharedTempFolder) {
    // A link planted under the old copy's fixed name must not redirect anything.
    testsupport::WriteFile(LogPath(), "earlier entry\r\n");
    testsupport::WriteFile(home_.root() + "/victim", "precious");
    fs::create_symlink(home_.root() + "/victim", Temp() + "/KV.Kestrune 1.0.3 Error.tmp");

    errortest::FailAt("UP.006-01");

    EXPECT_EQ(testsupport::ReadFile(home_.root() + "/victim"), "precious");
    const std::string log = testsupport::ReadFile(LogPath());
    EXPECT_NE(log.find("Adress = UP.006-01."), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 15), "earlier entry\r\n");

    DeleteErrorTempFiles();  // removes the link itself, never what it points to
    EXPECT_FALSE(fs::is_symlink(Temp() + "/KV.Kestrune 1.0.3 Error.tmp"));
    EXPECT_EQ(testsupport::ReadFile(home_.root() + "/victim"), "precious");
}

// A link in the log's place is no log of the program's: what it points to (a private file) is
// neither read nor copied nor changed. The new log takes the link's place with the program's
// default mode; a log of its own keeps its mode.
TEST_F(ProcessErrorTest, ALinkInTheLogsPlaceIsNeverFollowed) {
    const std::string privateFile = home_.root() + "/private";
    testsupport::WriteFile(privateFile, "secret line\r\n");
    ASSERT_EQ(chmod(privateFile.c_str(), 0600), 0);
    fs::create_directories(AppFolder() + "/ErrorLog");
    fs::create_symlink(privateFile, LogPath());
    const mode_t mask = umask(0022);
    umask(mask);

    errortest::FailAt("UP.006-01");

    EXPECT_EQ(testsupport::ReadFile(privateFile), "secret line\r\n");
    EXPECT_EQ(fs::status(privateFile).permissions() & fs::perms::all, fs::perms(0600));
    ASSERT_FALSE(fs::is_symlink(LogPath()));
    const std::string log = testsupport::ReadFile(LogPath());
    EXPECT_NE(log.find("Adress = UP.006-01."), std::string::npos);
    EXPECT_EQ(log.find("secret"), std::string::npos);
    EXPECT_EQ(fs::status(LogPath()).permissions() & fs::perms::all, fs::perms(0666 & ~mask));

    ASSERT_EQ(chmod(LogPath().c_str(), 0600), 0);
    BackInTheEventLoop();
    errortest::FailAt("UP.006-02");
    EXPECT_NE(testsupport::ReadFile(LogPath()).find("Adress = UP.006-01."), std::string::npos);
    EXPECT_EQ(fs::status(LogPath()).permissions() & fs::perms::all, fs::perms(0600));
}

TEST_F(ProcessErrorTest, UnwritableLogStillShowsTheWindow) {
    struct Case {
        const char* name;
        std::function<void(const std::string& app)> prepare;
    };
    const Case cases[] = {
        {"log folder is a file", [](const std::string& app) { testsupport::WriteFile(app + "/ErrorLog", "x"); }},
        {"log is a folder", [](const std::string& app) { fs::create_directories(app + "/ErrorLog/Error.Log/inner"); }},
    };
    for (const Case& c : cases) {
        fs::remove_all(AppFolder() + "/ErrorLog");
        c.prepare(AppFolder());
        shown_ = {};
        BackInTheEventLoop();
        EXPECT_NO_THROW(errortest::FailAt("URG.003-02")) << c.name;
        EXPECT_EQ(shown_.count, 1) << c.name;
        EXPECT_TRUE(ErrorOccurred) << c.name;
        EXPECT_FALSE(BusyFlag) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(AppFolder() + "/ErrorLog/Error.Log/inner"));
}

TEST_F(ProcessErrorTest, FailureWhileTheWindowIsOpenIsOnlyCounted) {
    errortest::FailAt("URG.003-02");
    const std::string logAfterFirst = testsupport::ReadFile(LogPath());
    ErrorOccurred = false;

    duringWindow_ = [] {
        ReporterMode = true;
        errortest::FailAt("UHB.001-01");
    };
    BackInTheEventLoop();
    errortest::FailAt("URG.003-03");
    // The second failure was logged and shown; the one inside its window only counted, and it
    // left the open window's mode alone.
    EXPECT_EQ(shown_.count, 2);
    EXPECT_TRUE(ErrorOccurred);
    EXPECT_TRUE(ReporterMode);
    const std::string log = testsupport::ReadFile(LogPath());
    EXPECT_EQ(log.find("UHB.001-01"), std::string::npos);
    EXPECT_NE(log.find("URG.003-03"), std::string::npos);
    EXPECT_NE(log.find(logAfterFirst.substr(0, 200)), std::string::npos);
}

// A routine whose callee failed fails in turn, before control is back in the event loop: both
// failures are logged, only the first is shown.
TEST_F(ProcessErrorTest, AFailureThatFollowsAShownOneIsLoggedWithoutAWindow) {
    Guard("URG.011-01", [] {
        errortest::FailAt("URG.003-01");
        throw std::runtime_error("the file that could not be made cannot be written either");
    });
    EXPECT_EQ(shown_.count, 1);
    EXPECT_NE(shown_.panel2.find("URG.003-01"), std::string::npos) << shown_.panel2;
    const std::string log = testsupport::ReadFile(LogPath());
    const std::size_t second = log.find("Adress = URG.011-01.");
    const std::size_t first = log.find("Adress = URG.003-01.");
    ASSERT_NE(second, std::string::npos) << log;
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_LT(second, first);  // newest on top
    EXPECT_FALSE(BusyFlag);
    EXPECT_FALSE(ErrorWindowOpen);

    // Once the program has been back in its event loop, a failure has its window again.
    BackInTheEventLoop();
    errortest::FailAt("UP.006-01");
    EXPECT_EQ(shown_.count, 2);
    // A new start begins without the mark, also when no event loop ran in between.
    errortest::FailAt("UP.006-02");
    EXPECT_EQ(shown_.count, 2);
    InstallErrorProcessor();
    errortest::FailAt("UP.006-03");
    EXPECT_EQ(shown_.count, 3);
}

TEST_F(ProcessErrorTest, AFailureUnderTheCallersReportWindowKeepsItsMode) {
    ErrorOccurred = true;
    bool modeKept = false;
    duringWindow_ = [&] {
        errortest::FailAt("UHB.001-01");
        modeKept = ReporterMode;
    };
    ProcessError("Kestrune");
    EXPECT_TRUE(modeKept);
    EXPECT_TRUE(ReporterMode);
    EXPECT_EQ(shown_.count, 1);
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(ProcessErrorTest, PseudoCodesOpenTheirPagesAndLogNothing) {
    struct Case {
        const char* code;
        bool errorOccurred;
        const char* page;
        int height;
        bool reporter;
    };
    const Case cases[] = {
        {"Kestrune", true, "NTCTabSheet2", 270, true},
        {"review", false, "NTCTabSheet3", 258, false},
        {"review", true, "NTCTabSheet3", 260, false},
    };
    ProductName = "Caller";
    for (const Case& c : cases) {
        shown_ = {};
        ErrorOccurred = c.errorOccurred;
        ProcessError(c.code);
        EXPECT_EQ(shown_.count, 1) << c.code;
        EXPECT_EQ(shown_.page, c.page) << c.code;
        EXPECT_EQ(shown_.height, c.height) << c.code;
        EXPECT_EQ(shown_.caption, "Review of the program Caller...") << c.code;
        EXPECT_EQ(ReporterMode, c.reporter) << c.code;
        EXPECT_EQ(ErrorOccurred, c.errorOccurred) << c.code;
        EXPECT_FALSE(BusyFlag) << c.code;
    }
    EXPECT_FALSE(fs::exists(AppFolder() + "/ErrorLog"));
}

TEST_F(ProcessErrorTest, CodesThatOnlyLookLikePseudoCodesAreFailures) {
    for (const char* code : {"Review", "kestrune", "review "}) {
        ErrorOccurred = false;
        shown_ = {};
        BackInTheEventLoop();
        ProcessError(code);
        EXPECT_TRUE(ErrorOccurred) << code;
        EXPECT_EQ(shown_.page, "NTCTabSheet1") << code;
        EXPECT_NE(testsupport::ReadFile(LogPath()).find("Adress = " + std::string(code) + "."), std::string::npos)
            << code;
    }
}

TEST_F(ProcessErrorTest, ReportingOffSilencesEverything) {
    ErrorReportingOff = true;
    ReporterMode = true;
    for (const char* code : {"URG.003-02", "review", "Kestrune"}) ProcessError(code);
    EXPECT_EQ(shown_.count, 0);
    EXPECT_FALSE(ErrorOccurred);
    EXPECT_TRUE(ReporterMode);
    EXPECT_FALSE(fs::exists(AppFolder() + "/ErrorLog"));
}

}  // namespace
