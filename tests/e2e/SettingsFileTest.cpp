// Whole starts of the built program that check the calling program's settings file
// "Kestrune.ini": written at exit from a start that names the program, found again by a start
// that does not (beside the program and under Application Data), and taken over from there.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

struct StoredValues {
    std::string proName, proVer, iconPatch, urlToFile, urlToMsg, csIconPatch, exe;
};

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
        exe_ = std::filesystem::canonical(app() + "/KV.Kestrune").string();
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string productFolder() const { return home_.appData() + "/KV.Kestrune"; }
    const std::string& exe() const { return exe_; }

    ProcessResult Start(const std::vector<std::string>& params, const std::string& program = "") {
        std::vector<std::string> argv{program.empty() ? app() + "/KV.Kestrune" : program};
        argv.insert(argv.end(), params.begin(), params.end());
        // The Russian short date makes the Date of [Main] predictable; no box may wait for a click;
        // offline, no online check touches the settings folder these tests compare.
        return RunProcess(argv,
                          {{"QT_QPA_PLATFORM", "offscreen"},
                           {"LC_ALL", "ru_RU.UTF-8"},
                           {"LANG", "ru_RU.UTF-8"},
                           {"KESTRUNE_MESSAGEBOX_ANSWER", "1"},
                           {"KESTRUNE_INTERNET", "0"}},
                          kStateDeadlineMs);
    }
    void ExpectCleanEnd(const ProcessResult& result) {
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err.find("message box"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("failure at"), std::string::npos) << result.err;
    }

    static std::string Today() {
        const std::time_t now = std::time(nullptr);
        char text[16];
        std::strftime(text, sizeof text, "%d.%m.%Y", std::localtime(&now));
        return text;
    }
    // The file exactly as the program writes it.
    static std::string FileText(const StoredValues& v) {
        return "[Main]\r\nFile=<Kestrune Settings File>\r\nVersion=01.00\r\nDate=" + Today() +
               "\r\n\r\n[Settings]\r\n"
               "ProName=\"" +
               v.proName +
               "\"\r\n"
               "ProVer=\"" +
               v.proVer +
               "\"\r\n"
               "IconPatch=\"" +
               v.iconPatch +
               "\"\r\n"
               "URLtoFile=\"" +
               v.urlToFile +
               "\"\r\n"
               "URLtoMSG=\"" +
               v.urlToMsg +
               "\"\r\n"
               "CSIconPatch=\"" +
               v.csIconPatch +
               "\"\r\n"
               "Exe=\"" +
               v.exe + "\"\r\n";
    }
    // A file as an earlier run left it, with a Date of its own.
    static void Store(const std::string& path, const StoredValues& v) {
        std::string text = FileText(v);
        text.replace(text.find(Today()), Today().size(), "01.01.2020");
        WriteFile(path, text);
    }

    IsolatedHome home_;
    std::string exe_;
};

TEST_F(SettingsFile, AStartThatNamesTheProgramStoresTheCommandLine) {
    // An earlier file is not read: every value comes from the command line, empty ones included.
    Store(app() + "/Settings/Kestrune.ini",
          {"Old", "1.0", "/old.ico", "http://old/", "http://old/m/", "/old.ico", exe()});
    // Started through a link: Exe names the program file itself.
    const std::string link = home_.root() + "/link-to-program";
    std::filesystem::create_symlink(app() + "/KV.Kestrune", link);
    const ProcessResult result =
        Start({"0", "Prog", "2.0", "English", "/icons/p.ico", "http://127.0.0.1:1/v/", ""}, link);
    ExpectCleanEnd(result);
    EXPECT_EQ(ReadFile(app() + "/Settings/Kestrune.ini"),
              FileText({"Prog", "2.0", "/icons/p.ico", "http://127.0.0.1:1/v/", "", "/icons/p.ico", exe()}));
    EXPECT_FALSE(FileExists(productFolder() + "/Prog/Kestrune.ini"));
}

TEST_F(SettingsFile, InApplicationDataModeEachProgramHasItsOwnFile) {
    WriteFile(productFolder() + "/UAUSettings.ini", "");
    const ProcessResult result = Start({"1", "Prog", "2.0", "Russian", "", "", "/logs/Error.Log"});
    ExpectCleanEnd(result);
    // Mode 1 merges P6 but not P7.
    EXPECT_EQ(ReadFile(productFolder() + "/Prog/Kestrune.ini"), FileText({"Prog", "2.0", "", "", "", "", exe()}));
    EXPECT_FALSE(FileExists(app() + "/Settings/Kestrune.ini"));
}

TEST_F(SettingsFile, AProgramFolderThatCannotBeWrittenKeepsItsFilesAndUsesApplicationData) {
    // Resource cannot become a folder, so the program folder fails the write probe.
    std::filesystem::remove_all(app() + "/Resource");
    WriteFile(app() + "/Resource", "");
    // A file that no start writes (the language settings are stored at every start).
    WriteFile(app() + "/Settings/Installed.ini", "installed");
    const ProcessResult result = Start({"0", "Prog", "2.0", "English"});
    ExpectCleanEnd(result);
    EXPECT_EQ(ReadFile(productFolder() + "/Prog/Kestrune.ini"), FileText({"Prog", "2.0", "", "", "", "", exe()}));
    EXPECT_EQ(ReadFile(productFolder() + "/Prog/Installed.ini"), "installed");
    EXPECT_EQ(ReadFile(app() + "/Settings/Installed.ini"), "installed");
    EXPECT_FALSE(FileExists(app() + "/Settings/Kestrune.ini"));
}

TEST_F(SettingsFile, AStartWithoutANameFindsTheValuesBesideTheProgram) {
    Store(app() + "/Settings/Kestrune.ini", {"Prog", "2.0", "/stored.ico", "http://127.0.0.1:1/v/",
                                             "http://127.0.0.1:1/m/", "/stored-cs.ico", "/elsewhere"});
    // The given version wins; the given icon gives way to the stored CSIconPatch.
    const ProcessResult result = Start({"0", "", "3.0", "English", "/given.ico"});
    ExpectCleanEnd(result);
    EXPECT_EQ(ReadFile(app() + "/Settings/Kestrune.ini"),
              FileText({"Prog", "3.0", "/stored-cs.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/",
                        "/stored-cs.ico", exe()}));
}

TEST_F(SettingsFile, AStartWithoutANameFindsItsFolderUnderApplicationData) {
    WriteFile(productFolder() + "/UAUSettings.ini", "");
    Store(productFolder() + "/Alpha/Kestrune.ini", {"Alpha", "1.0", "", "", "", "", "/another/KV.Kestrune"});
    Store(productFolder() + "/Beta/Kestrune.ini", {"Beta", "1.0", "/b.ico", "http://127.0.0.1:1/b/", "", "", exe()});
    Store(productFolder() + "/Gamma/Kestrune.ini", {"Gamma", "4.2", "/g.ico", "http://127.0.0.1:1/g/", "", "", exe()});
    WriteFile(productFolder() + "/NotAFolder", "");

    const ProcessResult result = Start({"0", "", "", "English"});
    ExpectCleanEnd(result);
    // Two folders name this executable: the last in name order supplies the values.
    EXPECT_EQ(ReadFile(productFolder() + "/Gamma/Kestrune.ini"),
              FileText({"Gamma", "4.2", "/g.ico", "http://127.0.0.1:1/g/", "", "/g.ico", exe()}));
    EXPECT_NE(ReadFile(productFolder() + "/Beta/Kestrune.ini").find("01.01.2020"), std::string::npos);
    EXPECT_NE(ReadFile(productFolder() + "/Alpha/Kestrune.ini").find("01.01.2020"), std::string::npos);
}

TEST_F(SettingsFile, TheValuesAreTakenOverFromApplicationData) {
    // Program-folder mode (no UAUSettings.ini in the product folder) and nothing beside the
    // program: the folder that this executable wrote under Application Data comes home.
    Store(productFolder() + "/Prog/Kestrune.ini",
          {"Prog", "2.0", "/p.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/", "/p.ico", exe()});
    WriteFile(productFolder() + "/Prog/UMessages.ini", "[Settings]\r\nIntervalAUCheck=9\r\n");
    Store(productFolder() + "/Other/Kestrune.ini", {"Other", "1.0", "", "", "", "", "/another/KV.Kestrune"});

    const ProcessResult result = Start({"0", "", "", "English"});
    ExpectCleanEnd(result);
    EXPECT_EQ(ReadFile(app() + "/Settings/Kestrune.ini"),
              FileText({"Prog", "2.0", "/p.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/", "/p.ico", exe()}));
    EXPECT_EQ(ReadFile(app() + "/Settings/UMessages.ini"), "[Settings]\r\nIntervalAUCheck=9\r\n");
    EXPECT_FALSE(FileExists(productFolder() + "/Prog"));
    EXPECT_TRUE(FileExists(productFolder() + "/Other/Kestrune.ini"));
}

TEST_F(SettingsFile, AStoredFileWithoutAKeyIsRepairedAndTheRepairAnnounced) {
    WriteFile(app() + "/Settings/Kestrune.ini",
              "[Main]\r\nFile=<Kestrune Settings File>\r\nVersion=01.00\r\nDate=01.01.2020\r\n\r\n"
              "[Settings]\r\nProName=\"Prog\"\r\nProVer=\"2.0\"\r\n");
    const ProcessResult result = Start({"0", "", "", "English"});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("KV.Kestrune message box"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFile(app() + "/Settings/Kestrune.ini"), FileText({"Prog", "2.0", "", "", "", "", exe()}));
}

}  // namespace
