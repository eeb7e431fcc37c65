// The path kinds and the set-up of the settings location with its moves.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "tests/foundation/FoundationFixture.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class SettingsLocation : public FoundationFixture {
protected:
    std::string temp() const { return GetSpecialFolder(1); }
    std::vector<std::string> Entries(const std::string& folder) const { return platform::ListDirectory(folder); }
};

TEST_F(SettingsLocation, PathKindsFollowTheFlagsOfTheMoment) {
    struct Case {
        bool mustSet, useAppData;
        const char* folder;
        int kind;
        const char* name;
        std::string expected;
    };
    const std::string a = appData(), e = app();
    const Case cases[] = {
        {false, false, "KV.Kestrune\\Prog", 0, "x.tmp", temp() + "\\x.tmp"},
        {false, false, "KV.Kestrune\\Prog", 1, "ErrorLog", e + "\\ErrorLog"},
        {false, false, "KV.Kestrune\\Prog", 2, "x", e + "\\Settings\\"},
        {false, false, "KV.Kestrune\\Prog", 3, "x", e + "\\Resource"},
        {false, false, "KV.Kestrune\\Prog", 4, "", ""},
        {true, false, "KV.Kestrune\\Prog", 0, "x.tmp", temp() + "\\x.tmp"},
        {true, false, "KV.Kestrune\\Prog", 1, "ErrorLog", a + "\\KV.Kestrune\\Prog\\ErrorLog"},
        {false, true, "KV.Kestrune\\Prog", 2, "x", a + "\\KV.Kestrune\\Prog\\"},
        {false, true, "KV.Kestrune\\Prog", 3, "", a + "\\KV.Kestrune\\Prog"},
        {true, true, "KV.Kestrune\\Prog", 4, "", "AppData"},
        {true, false, "", 2, "", a + "\\\\"},
        {true, false, "", 3, "", a + "\\"},
        {true, false, "KV.Kestrune\\Prog", 5, "x", ""},
        {false, false, "KV.Kestrune\\Prog", -1, "x", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mustSet << c.useAppData << " '" << c.folder << "' kind " << c.kind);
        MustSetFilesInAppData = c.mustSet;
        UseAppData = c.useAppData;
        ProgramSettingsFolder = c.folder;
        EXPECT_EQ(GetProgramPath(c.kind, c.name), c.expected);
    }
}

TEST_F(SettingsLocation, TheWriteProbeLeavesNothingBehind) {
    EXPECT_FALSE(IsProgramFolderReadOnly());
    EXPECT_EQ(SettingsFilePath, app() + "/Resource/test.ini");
    EXPECT_TRUE(Entries(app() + "/Resource").empty());
    // Where Resource cannot be a folder, the program folder counts as read-only.
    DeleteDirectory(app() + "/Resource");
    WriteFile(app() + "/Resource", "");
    EXPECT_TRUE(IsProgramFolderReadOnly());
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsLocation, KeepingFilesInPlaceMovesNothing) {
    WriteFile(app() + "/Resource/ECounter.ini", "e");
    WriteFile(product() + "/UAUSettings.ini", "");
    MustSetFilesInAppData = true;
    SeenSettingsFiles = {"Old"};
    RecordedSettingKeys = {"Old Key"};
    RecordedSettingValues = {"v"};

    InitSettingsLocation(true, "", nullptr);
    EXPECT_FALSE(MustSetFilesInAppData);
    EXPECT_TRUE(UseAppData) << "the product folder holds UAUSettings.ini";
    EXPECT_TRUE(SeenSettingsFiles.empty());
    EXPECT_TRUE(RecordedSettingKeys.empty());
    EXPECT_TRUE(RecordedSettingValues.empty());
    EXPECT_TRUE(FileExists(app() + "/Resource/ECounter.ini"));
    EXPECT_FALSE(FileExists(appData() + "/KV.Kestrune/Prog"));
}

TEST_F(SettingsLocation, MovesIntoApplicationData) {
    WriteFile(product() + "/UAUSettings.ini", "");
    WriteFile(app() + "/Resource/ECounter.ini", "e");
    WriteFile(app() + "/Resource/TCounter.ini", "t");
    WriteFile(programSettings() + "/Kestrune.ini", "k");
    WriteFile(programSettings() + "/Language/Pack.lng", "p");
    WriteFile(product() + "/Prog/ECounter.ini", "older");

    InitSettingsLocation(false, "", nullptr);
    EXPECT_TRUE(UseAppData);
    const std::string target = product() + "/Prog";
    EXPECT_EQ(ReadFile(target + "/ECounter.ini"), "e");
    EXPECT_EQ(ReadFile(target + "/TCounter.ini"), "t");
    EXPECT_EQ(ReadFile(target + "/Kestrune.ini"), "k");
    EXPECT_EQ(ReadFile(target + "/Language/Pack.lng"), "p");
    EXPECT_TRUE(Entries(app() + "/Resource").empty());
    EXPECT_TRUE(platform::IsDirectory(programSettings()));
    EXPECT_TRUE(Entries(programSettings()).empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsLocation, MovesBackBesideTheProgramButTheTimeZoneFileStays) {
    const std::string source = product() + "/Prog";
    WriteFile(source + "/LCounter.ini", "l");
    WriteFile(source + "/UMessages.ini", "m");
    WriteFile(source + "/TZCor.ini", "tz");
    WriteFile(programSettings() + "/UMessages.ini", "older");

    InitSettingsLocation(false, "", nullptr);
    EXPECT_FALSE(UseAppData);
    EXPECT_EQ(ReadFile(app() + "/Resource/LCounter.ini"), "l");
    EXPECT_EQ(ReadFile(programSettings() + "/UMessages.ini"), "m");
    EXPECT_FALSE(FileExists(programSettings() + "/TZCor.ini"));
    EXPECT_EQ(Entries(source), std::vector<std::string>{"TZCor.ini"});
    EXPECT_EQ(ReadFile(source + "/TZCor.ini"), "tz");
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsLocation, ProgramFolderModeWithoutAFolderLooksOnlyForCounters) {
    WriteFile(product() + "/Prog-other/UAUSettings.ini", "");
    InitSettingsLocation(false, "", nullptr);
    EXPECT_FALSE(platform::IsDirectory(programSettings()));
    EXPECT_TRUE(FileExists(product() + "/Prog-other/UAUSettings.ini"));
}

TEST_F(SettingsLocation, TheProductFolderIsNeverMovedForAStartWithoutAName) {
    ProgramSettingsFolder = "KV.Kestrune\\";
    WriteFile(product() + "/Other/Kestrune.ini", "another program's");
    InitSettingsLocation(false, "", nullptr);
    EXPECT_EQ(ReadFile(product() + "/Other/Kestrune.ini"), "another program's");
    EXPECT_FALSE(FileExists(programSettings() + "/Other"));
}

TEST_F(SettingsLocation, ASourceStaysWhenItsCopyCannotBeMade) {
    // Into Application Data, where the program's folder there is taken by a plain file.
    WriteFile(product() + "/UAUSettings.ini", "");
    WriteFile(product() + "/Prog", "in the way");
    WriteFile(app() + "/Resource/ECounter.ini", "e");
    WriteFile(programSettings() + "/Kestrune.ini", "k");
    InitSettingsLocation(false, "", nullptr);
    EXPECT_EQ(ReadFile(app() + "/Resource/ECounter.ini"), "e");
    EXPECT_EQ(ReadFile(programSettings() + "/Kestrune.ini"), "k");

    // Back beside the program, where Settings is taken by a plain file.
    platform::RemoveFile(product() + "/UAUSettings.ini");
    platform::RemoveFile(product() + "/Prog");
    WriteFile(product() + "/Prog/UMessages.ini", "m");
    DeleteDirectory(programSettings());
    WriteFile(programSettings(), "in the way");
    InitSettingsLocation(false, "", nullptr);
    EXPECT_EQ(ReadFile(product() + "/Prog/UMessages.ini"), "m");
}

TEST_F(SettingsLocation, AProgramFolderThatCannotBeWrittenIsCopiedNeverMoved) {
    // Resource cannot be made: the probe fails, as it does in an installed program's folder.
    WriteFile(app() + "/Resource", "");
    WriteFile(programSettings() + "/UMessages.ini", "installed");
    WriteFile(programSettings() + "/ULangSettings.ini", "installed");
    WriteFile(product() + "/Prog/UMessages.ini", "the user's");

    InitSettingsLocation(false, "", nullptr);
    EXPECT_TRUE(MustSetFilesInAppData);
    EXPECT_TRUE(UseAppData);
    EXPECT_EQ(GetProgramPath(2, ""), appData() + "\\KV.Kestrune\\Prog\\");
    EXPECT_EQ(ReadFile(product() + "/Prog/UMessages.ini"), "the user's");
    EXPECT_EQ(ReadFile(product() + "/Prog/ULangSettings.ini"), "installed");
    EXPECT_EQ(ReadFile(programSettings() + "/UMessages.ini"), "installed");
    EXPECT_EQ(ReadFile(programSettings() + "/ULangSettings.ini"), "installed");
}

TEST_F(SettingsLocation, SettingsInApplicationDataAreDetectedInTheProductFolderOnly) {
    struct Case {
        bool mustSet;
        const char* file;  // made below Application Data, or nullptr
        bool expected;
    };
    const Case cases[] = {
        {false, nullptr, false},
        {true, nullptr, true},
        {false, "KV.Kestrune/UAUSettings.ini", true},
        {false, "KV.Kestrune/Prog/UAUSettings.ini", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(none)");
        DeleteDirectory(product());
        if (c.file) WriteFile(appData() + "/" + c.file, "");
        MustSetFilesInAppData = c.mustSet;
        UseAppData = !c.expected;
        DetectSettingsInAppData("");
        EXPECT_EQ(UseAppData, c.expected);
    }
}

// What killed writes leave behind is cleared only where the program alone writes: a start in
// either mode, and a first write into each folder, leave another program's file of the same form
// in Application Data itself (the settings location is decided there before the program's folder
// is known), in a folder of another program and in the program folder itself.
TEST_F(SettingsLocation, StaleTemporariesGoOnlyFromTheProgramsOwnFolders) {
    const std::string stale = ".other-app.conf.4242.17.tmp";
    struct Folder {
        std::string path;
        bool ours;
    };
    for (const bool appDataMode : {false, true}) {
        SCOPED_TRACE(appDataMode ? "Application Data mode" : "program-folder mode");
        // A program folder and a home of their own: each run clears a folder at its first write.
        testsupport::ScratchFolder scratch;
        testsupport::ScopedEnv env;
        env.Set("XDG_CONFIG_HOME", scratch / "config");
        const std::string app = scratch / "app";
        platform::SetExecutablePathForTesting(app + "/KV.Kestrune");
        const std::string appData = GetSpecialFolder(0);
        ASSERT_EQ(appData, scratch / "config");
        const std::string product = appData + "/KV.Kestrune";
        const std::vector<Folder> folders{
            {appData, false},          {appData + "/other-app", false}, {app, false},
            {product, true},           {product + "/Prog", true},       {app + "/Settings", true},
            {app + "/Resource", true}, {app + "/ErrorLog", true},
        };
        for (const Folder& folder : folders) {
            WriteFile(folder.path + "/" + stale, "theirs");
            std::filesystem::last_write_time(folder.path + "/" + stale,
                                             std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        }
        if (appDataMode) WriteFile(product + "/UAUSettings.ini", "");
        // As a start runs it: the first set-up before the program's folder is known.
        ProgramSettingsFolder.clear();
        InitSettingsLocation(true, "", nullptr);
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        InitSettingsLocation(false, "", nullptr);
        for (const Folder& folder : folders) {
            SCOPED_TRACE(folder.path);
            // A folder moved away by the set-up is made again, as a later write would make it.
            ASSERT_TRUE(platform::CreateDirectories(folder.path));
            ASSERT_TRUE(platform::WriteFileAtomic(folder.path + "/written.ini", "w"));
            EXPECT_EQ(FileExists(folder.path + "/" + stale), !folder.ours);
        }
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace
