// Whole starts of the built program, each from a copy of the program folder in a scratch folder,
// with HOME, the configuration folder, TEMP and the registry store pointed into it.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string productFolder() const { return home_.appData() + "/KV.Kestrune"; }
    ProcessResult Start(const std::vector<std::string>& params, int timeoutMs = kStateDeadlineMs) {
        std::vector<std::string> argv{app() + "/KV.Kestrune"};
        argv.insert(argv.end(), params.begin(), params.end());
        return RunProcess(argv, {{"QT_QPA_PLATFORM", "offscreen"}}, timeoutMs);
    }
    // A per-program folder with a file in it, as an earlier run would leave it.
    void MakeProgramFolder(const std::string& name) {
        WriteFile(productFolder() + "/" + name + "/Kestrune.ini", "[Main]\r\n");
    }

    IsolatedHome home_;
};

TEST_F(ProgramStart, JoblessModesEndAtTheFirstTick) {
    for (const char* mode : {"0", "abc"}) {
        SCOPED_TRACE(mode);
        const ProcessResult result = Start({mode, "Prog", "2.0", "English"});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
}

// The mail library (libcurl with its TLS, LDAP and SSH libraries) is loaded only when a mail is
// sent, and the icon is read by Qt's own PNG reader: a start maps neither them nor an
// image-format plugin. The dynamic loader lists every object it maps.
TEST_F(ProgramStart, AStartLoadsNeitherTheMailLibraryNorImageFormatPlugins) {
    const ProcessResult result =
        RunProcess({app() + "/KV.Kestrune", "0", "Prog", "2.0", "English"},
                   {{"QT_QPA_PLATFORM", "offscreen"}, {"LD_DEBUG", "files"}}, kStateDeadlineMs);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_NE(result.err.find("libQt6Widgets.so"), std::string::npos) << "the loader's list is there";
    for (const char* unwanted : {"libcurl", "libssl", "libgnutls", "libldap", "/imageformats/", "libjpeg"})
        EXPECT_EQ(result.err.find(unwanted), std::string::npos) << unwanted;
}

TEST_F(ProgramStart, OnlyClosingTheHostWindowRunsTheShutdownServices) {
    // The shutdown services delete the error log's temporary copy in TEMP; a terminated run keeps it.
    const std::string leftOver = home_.temp() + "/KV.Kestrune 1.0.3 Error.tmp";
    struct Row {
        std::vector<std::string> params;
        bool closes;
    } rows[] = {
        // German is no known language: it is cleared, and the first tick closes the window.
        {{"1", "Prog", "2.0", "German"}, true},
        {{"1", "Prog", "", "English"}, true},
        {{"0", "Prog", "2.0", "English"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.params[0] + " " + row.params[2] + " " + row.params[3]);
        WriteFile(leftOver, "old log");
        const ProcessResult result = Start(row.params);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(FileExists(leftOver), !row.closes);
    }
}

TEST_F(ProgramStart, UnknownModesEndWithFailureStatus) {
    for (const char* mode : {"7", "4", "-1"}) {
        SCOPED_TRACE(mode);
        const ProcessResult result = Start({mode, "Prog", "2.0", "English", "", "http://127.0.0.1:1/", ""});
        EXPECT_FALSE(result.timedOut);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.err.find("unknown mode"), std::string::npos) << result.err;
    }
}

TEST_F(ProgramStart, UninstallDeletesOnlyTheNamedProgramsFolder) {
    for (const char* word : {"uninstall", "UNINSTALL", "UnInstall"}) {
        SCOPED_TRACE(word);
        MakeProgramFolder("Prog");
        MakeProgramFolder("Other");
        WriteFile(productFolder() + "/UAUSettings.ini", "");
        const ProcessResult result = Start({word, "Prog"});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_FALSE(FileExists(productFolder() + "/Prog"));
        EXPECT_TRUE(FileExists(productFolder() + "/Other/Kestrune.ini"));
        EXPECT_TRUE(FileExists(productFolder() + "/UAUSettings.ini"));
    }
}

TEST_F(ProgramStart, QtOptionsAreOrdinaryParameters) {
    // "-platform" is the calling program's name here, not an option for Qt to swallow.
    MakeProgramFolder("-platform");
    const ProcessResult result = Start({"uninstall", "-platform", "offscreen"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(FileExists(productFolder() + "/-platform"));
}

TEST_F(ProgramStart, NamesThatWouldLeaveTheirFolderAreRefused) {
    MakeProgramFolder("x");
    WriteFile(home_.appData() + "/x/keep", "");
    WriteFile(productFolder() + "/a/b/keep", "");
    const std::vector<std::vector<std::string>> starts = {{"uninstall", "..\\x"},
                                                          {"uninstall", "../x"},
                                                          {"uninstall", "a/b"},
                                                          {"uninstall", "a\\b"},
                                                          {"uninstall", "   "},
                                                          {"uninstall", "."},
                                                          {"uninstall", " . "},
                                                          {"uninstall", "x\ty"},
                                                          {"0", ".", "1.0", "English"},
                                                          {"0", "Prog", "../2.0", "English"},
                                                          {"", "..", "1.0"}};
    for (const auto& params : starts) {
        SCOPED_TRACE(params[1] + " " + (params.size() > 2 ? params[2] : ""));
        const ProcessResult result = Start(params);
        EXPECT_FALSE(result.timedOut);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.err.find("refused"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(FileExists(home_.appData() + "/x/keep"));
    EXPECT_TRUE(FileExists(productFolder() + "/x/Kestrune.ini"));
    EXPECT_TRUE(FileExists(productFolder() + "/a/b/keep"));
}

}  // namespace
