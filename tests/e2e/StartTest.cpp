// Whole starts of the built program, each from a copy of the program folder in a scratch folder,
// with HOME, the configuration folder, TEMP and the registry store pointed into it; among them
// starts beside files that someone else put under the program's folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "tests/support/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

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
    // A start whose job ends at its first tick, offline, every box answered on stderr.
    ProcessResult QuickStart(const std::string& program) {
        return RunProcess(
            {app() + "/KV.Kestrune", "0", program, "2.0", "English"},
            {{"QT_QPA_PLATFORM", "offscreen"}, {"KESTRUNE_MESSAGEBOX_ANSWER", "1"}, {"KESTRUNE_INTERNET", "0"}});
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

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Whatever stands in a store's place, the start does its job (the calling program's settings are
// stored) within its deadline (an error window would hold it past that), tells of the store once,
// shows no box and logs no failure.
TEST_F(ProgramStart, AStoreThatIsNoReadablePlainFileHoldsNoStartAndOpensNoWindow) {
    struct Case {
        const char* label;
        std::function<void(const std::string&)> make;
    };
    const std::vector<Case> cases{
        {"a pipe", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }},
        {"a link to a device", [](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); }},
        {"a folder", [](const std::string& f) { fs::create_directories(f); }},
        {"over the limit",
         [](const std::string& f) {
             WriteFile(f, "KV.Kestrune registry 1\n[Big]\nv=3:" + std::string(100u << 20, 'x') + "\n");
         }},
        // Root reads any file whatever its mode; a link to itself cannot be read by anyone.
        {"unreadable", [](const std::string& f) { ASSERT_EQ(symlink(fs::path(f).filename().c_str(), f.c_str()), 0); }},
    };
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(root) + ", " + c.label);
            const std::string store = home_.registry() + "/" + root + ".reg";
            c.make(store);
            const fs::file_type type = fs::symlink_status(store).type();
            fs::remove(app() + "/Settings/Kestrune.ini");

            const ProcessResult result = QuickStart("Quick");
            EXPECT_FALSE(result.timedOut) << "the start was held";
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_NE(ReadFile(app() + "/Settings/Kestrune.ini").find("ProName=\"Quick\""), std::string::npos)
                << "the job was done";
            EXPECT_EQ(Count(result.err, "KV.Kestrune: the registry store " + store), 1) << result.err;
            EXPECT_FALSE(FileExists(app() + "/ErrorLog/Error.Log")) << ReadFile(app() + "/ErrorLog/Error.Log");
            EXPECT_EQ(result.err.find("message box"), std::string::npos) << result.err;
            EXPECT_EQ(fs::symlink_status(store).type(), type) << "the store is left as it is";
            fs::remove_all(store);
        }
    }
}

// What a write killed between the temporary's open and its rename leaves (the hidden temporary,
// named after the file, the writer's process and a number) is gone after the next start, in the
// settings folder of either mode and across a move between them; a fresh one, which may belong to
// a writer that still runs, and other programs' files stay where they are.
TEST_F(ProgramStart, TemporariesOfKilledWritesAreGoneAfterTheNextStart) {
    const std::string settings = app() + "/Settings";
    const std::string appDataSettings = productFolder() + "/Prog";
    auto plant = [](const std::string& folder) {
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
        for (const char* name : {".ULangSettings.ini.2972.3891768319.tmp", ".Kestrune.ini.31337.7.tmp", ".other.tmp"}) {
            WriteFile(folder + "/" + name, "partial");
            fs::last_write_time(folder + "/" + name, old);
        }
        WriteFile(folder + "/.ECounter.ini.4242.12.tmp", "being written");
    };
    auto hidden = [](const std::string& folder) {
        std::vector<std::string> names;
        if (!fs::is_directory(folder)) return names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.front() == '.') names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> kept{".ECounter.ini.4242.12.tmp", ".other.tmp"};

    // Beside the program; then the same once the files live under Application Data.
    plant(settings);
    ProcessResult result = QuickStart("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(hidden(settings), kept);

    fs::remove_all(settings);
    WriteFile(productFolder() + "/UAUSettings.ini", "");
    plant(appDataSettings);
    result = QuickStart("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(hidden(appDataSettings), kept);

    // Moved back beside the program: no temporary travels along (a half-written file is no part
    // of the settings), and the old folder goes with all that was in it.
    fs::remove(productFolder() + "/UAUSettings.ini");
    fs::remove_all(appDataSettings);
    plant(appDataSettings);
    result = QuickStart("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(fs::exists(appDataSettings));
    EXPECT_EQ(hidden(settings), std::vector<std::string>{".other.tmp"});
}

}  // namespace
