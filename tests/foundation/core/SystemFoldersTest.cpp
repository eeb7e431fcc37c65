#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include "foundation/core/Guard.h"
#include "foundation/core/MiniReg.h"
#include "foundation/core/SystemFolders.h"

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/UserFolders.h"
#include "tests/support/TestSupport.h"

namespace {

using kestrune::RegistryRoot;
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\";

using ReportRecorder = kestrune::ErrorCodeRecorder;

// Every test starts with an empty TEMP cache and ends with the real environment block.
class SpecialFolders : public ::testing::Test {
protected:
    SpecialFolders() { kestrune::TempDirCache.clear(); }
    ~SpecialFolders() override {
        platform::SetEnvironmentBlockForTesting(std::nullopt);
        platform::SetAccountHomeForTesting(std::nullopt);
        kestrune::TempDirCache.clear();
    }
    // An environment block of the given entries, after the entries that keep the registry store
    // and the home folder in the scratch folder.
    void UseBlock(const std::vector<std::string>& entries) {
        std::vector<std::string> block = {"KESTRUNE_REGISTRY=" + home.registry(), "HOME=" + home.home()};
        block.insert(block.end(), entries.begin(), entries.end());
        platform::SetEnvironmentBlockForTesting(block);
    }

    testsupport::IsolatedHome home;
    ReportRecorder reports;
};

TEST_F(SpecialFolders, TempComesFromTheEnvironmentBlock) {
    const struct {
        const char* label;
        std::vector<std::string> entries;
        std::string expected;
    } rows[] = {
        {"TEMP", {"TEMP=/scratch/temp", "PATH=/bin"}, "/scratch/temp"},
        {"mixed case", {"Temp=D:\\Tmp"}, "D:\\Tmp"},
        {"lower case", {"temp=/lower"}, "/lower"},
        {"the very last entry", {"PATH=/bin", "LANG=C", "TEMP=/last"}, "/last"},
        {"a value holding =", {"TEMP=/a=b"}, "/a=b"},
        {"the last of two", {"TEMP=/first", "Temp=/second"}, "/second"},
        {"TEMPDIR is not TEMP", {"TEMPDIR=/wrong", "TMPDIR=/scratch/tmpdir"}, "/scratch/tmpdir"},
        {"TMP is not TEMP", {"TMP=/wrong"}, "/tmp"},
        {"an empty TEMP", {"TEMP=", "TMPDIR=/scratch/tmpdir"}, "/scratch/tmpdir"},
        {"none", {"PATH=/bin"}, "/tmp"},
        {"a relative TMPDIR", {"TMPDIR=relative"}, "/tmp"},
        {"a TEMP as it stands", {"TEMP=relative/temp", "TMPDIR=/scratch/tmpdir"}, "relative/temp"},
    };
    for (const auto& row : rows) {
        UseBlock(row.entries);
        kestrune::TempDirCache.clear();
        EXPECT_EQ(kestrune::TempDirFromEnvironment(), row.expected) << row.label;
        EXPECT_EQ(kestrune::GetSpecialFolder(1), row.expected) << row.label;
    }
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(SpecialFolders, TempIsLookedUpOncePerRun) {
    UseBlock({"TEMP=/first"});
    EXPECT_EQ(kestrune::GetSpecialFolder(1), "/first");
    UseBlock({"TEMP=/second"});
    EXPECT_EQ(kestrune::GetSpecialFolder(1), "/first");
    EXPECT_EQ(kestrune::GetSpecialFolder(42), "/first");
    EXPECT_EQ(kestrune::TempDirFromEnvironment(), "/second");  // the agent's uncached reading
    kestrune::TempDirCache.clear();                            // as the start-up does
    EXPECT_EQ(kestrune::GetSpecialFolder(10), "/second");
}

TEST_F(SpecialFolders, IndexesAnswerTheirLinuxFolders) {
    const std::string h = home.home();
    const std::string data = home.root() + "/home/.local/share";
    // XDG_CONFIG_HOME set, unset, relative; the other folders stay as the isolated home sets them.
    const struct {
        const char* label;
        std::optional<std::string> configHome;
        std::string appData;
    } settings[] = {
        {"XDG_CONFIG_HOME set", home.root() + "/elsewhere/config", home.root() + "/elsewhere/config"},
        {"XDG_CONFIG_HOME unset", std::nullopt, h + "/.config"},
        {"XDG_CONFIG_HOME relative", "relative/config", h + "/.config"},
        {"XDG_CONFIG_HOME empty", "", h + "/.config"},
    };
    for (const auto& setting : settings) {
        testsupport::ScopedEnv env;
        env.Set("XDG_CONFIG_HOME", setting.configHome);
        const std::map<int, std::string> expected = {
            {0, setting.appData},
            {1, home.temp()},
            {2, "/usr/share/applications"},
            {3, "/etc/skel/Desktop"},
            {4, h + "/Desktop"},
            {5, data + "/applications"},
            {6, "/var/lib"},
            {7, data},
            {8, "/opt"},
            {9, h + "/Documents"},
            {10, home.temp()},
            {42, home.temp()},
            {-1, ""},
        };
        for (const auto& [index, folder] : expected)
            EXPECT_EQ(kestrune::GetSpecialFolder(index), folder) << setting.label << ", index " << index;
    }
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(SpecialFolders, UserDirsNameTheDesktopAndTheDocuments) {
    testsupport::WriteFile(home.appData() + "/user-dirs.dirs",
                           "# written by xdg-user-dirs-update\n"
                           "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                           "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n"
                           "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
    EXPECT_EQ(kestrune::GetSpecialFolder(4), home.home() + "/Schreibtisch");
    EXPECT_EQ(kestrune::GetSpecialFolder(9), "/srv/docs");
}

TEST_F(SpecialFolders, WrittenShellFolderValuesWinOverTheLinuxFolders) {
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::CurrentUser, kShellFolders + "Personal", "D:\\Docs"));
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::LocalMachine, kShellFolders + "common desktop", "/desk/"));
    EXPECT_EQ(kestrune::GetSpecialFolder(9), "D:\\Docs");
    EXPECT_EQ(kestrune::GetSpecialFolder(3), "/desk/");  // exactly as stored
    EXPECT_TRUE(kestrune::RegDeleteValue(RegistryRoot::CurrentUser, kShellFolders + "Personal"));
    EXPECT_EQ(kestrune::GetSpecialFolder(9), home.home() + "/Documents");
}

TEST_F(SpecialFolders, ProgramFilesLiesUnderCurrentVersionNotUnderShellFolders) {
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::LocalMachine, kShellFolders + "ProgramFilesDir", "/wrong"));
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::LocalMachine,
                                         "Software\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir", "/right"));
    EXPECT_EQ(kestrune::GetSpecialFolder(8), "/right");
}

TEST_F(SpecialFolders, MissingOrForeignValuesAnswerEmptyWithoutAReport) {
    ASSERT_TRUE(kestrune::RegWriteValue(RegistryRoot::CurrentUser, kShellFolders + "Desktop", kestrune::REG_EXPAND_SZ,
                                        "%HOME%\0", 7));
    EXPECT_EQ(kestrune::GetSpecialFolder(4), "");
    EXPECT_EQ(kestrune::ReadShellFolderValue(RegistryRoot::CurrentUser, "Missing Folder", 0), "");
    EXPECT_EQ(kestrune::ReadShellFolderValue(RegistryRoot::CurrentUser, "Software\\Own\\Folder", 2), "");
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::CurrentUser, "Software\\Own\\Folder", "/own"));
    EXPECT_EQ(kestrune::ReadShellFolderValue(RegistryRoot::CurrentUser, "Software\\Own\\Folder", 7), "/own");
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(SpecialFolders, ApplicationDataIsNeverEmpty) {
    // A stored empty or foreign value would put every settings path at the file-system root.
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::CurrentUser, kShellFolders + "AppData", ""));
    EXPECT_EQ(kestrune::GetSpecialFolder(0), home.appData());
    ASSERT_TRUE(kestrune::RegWriteValue(RegistryRoot::CurrentUser, kShellFolders + "AppData", 3, "x", 1));
    EXPECT_EQ(kestrune::GetSpecialFolder(0), home.appData());
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(SpecialFolders, WithoutAHomeTheAccountsHomeAndThenAPrivateFolderStandIn) {
    const std::string uid = std::to_string(geteuid());
    const std::string tmpdir = home.root() + "/tmpdir";
    ASSERT_TRUE(platform::CreateDirectories(tmpdir));
    const struct {
        const char* label;
        std::vector<std::string> entries;
        std::optional<std::string> account;
        std::string expected;
    } rows[] = {
        {"HOME relative", {"HOME=relative"}, "/home/account", "/home/account/.config"},
        {"HOME unset", {}, "/home/account/", "/home/account/.config"},
        {"no home at all", {"TMPDIR=" + tmpdir}, "", tmpdir + "/kestrune-" + uid + "/.config"},
        {"a relative account home", {"TMPDIR=" + tmpdir}, "relative", tmpdir + "/kestrune-" + uid + "/.config"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> block = {"KESTRUNE_REGISTRY=" + home.registry()};
        block.insert(block.end(), row.entries.begin(), row.entries.end());
        platform::SetEnvironmentBlockForTesting(block);
        platform::SetAccountHomeForTesting(row.account);
        EXPECT_EQ(kestrune::GetSpecialFolder(0), row.expected) << row.label;
    }
    struct stat st {};
    ASSERT_EQ(lstat((tmpdir + "/kestrune-" + uid).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SpecialFolders, AFallbackFolderThatOthersCouldReachIsNotUsed) {
    const std::string uid = std::to_string(geteuid());
    const struct {
        const char* label;
        std::function<void(const std::string& folder)> prepare;
    } rows[] = {
        {"open to everyone",
         [](const std::string& folder) {
             mkdir(folder.c_str(), 0777);
             chmod(folder.c_str(), 0777);
         }},
        {"a symbolic link",
         [this](const std::string& folder) { ASSERT_EQ(symlink(home.root().c_str(), folder.c_str()), 0); }},
        {"a file", [](const std::string& folder) { testsupport::WriteFile(folder, ""); }},
    };
    for (const auto& row : rows) {
        testsupport::ScratchFolder tmpdir;
        row.prepare(tmpdir / ("kestrune-" + uid));
        platform::SetEnvironmentBlockForTesting(
            std::vector<std::string>{"KESTRUNE_REGISTRY=" + home.registry(), "TMPDIR=" + tmpdir.path()});
        platform::SetAccountHomeForTesting("");
        const std::string appData = kestrune::GetSpecialFolder(0);
        EXPECT_EQ(appData, "/dev/null/kestrune-" + uid + "/.config") << row.label;
        EXPECT_FALSE(platform::CreateDirectories(appData + "/KV.Kestrune")) << row.label;
    }
}

}  // namespace
