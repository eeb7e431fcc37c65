// The autostart value: the Run keys of both roots and the desktop's autostart entries that stand
// for them, set, moved and cleared as the autostart mode says.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <ctime>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/MiniReg.h"
#include "host/Autorun.h"
#include "host/FrameInclude.h"
#include "host/IncludeModules.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace kestrune;
using platform::RegistryRoot;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// The Exec value read back as a launcher reads it: the string escapes first, then the line is
// split into arguments by the quoting rules, then "%%" becomes "%" in each argument.
std::vector<std::string> ParseExec(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const char next = value[++i];
        unescaped += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false, inArgument = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (inQuotes) {
            if (c == '"') inQuotes = false;
            else if (c == '\\' && i + 1 < unescaped.size()) current += unescaped[++i];
            else current += c;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            inQuotes = inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    EXPECT_FALSE(inQuotes) << "unterminated quote in " << value;
    if (inArgument) arguments.push_back(current);
    for (std::string& argument : arguments) {
        std::string expanded;
        for (std::size_t i = 0; i < argument.size(); ++i) {
            expanded += argument[i];
            if (argument[i] == '%' && i + 1 < argument.size() && argument[i + 1] == '%') ++i;
        }
        argument = expanded;
    }
    return arguments;
}

std::string ExecLine(const std::string& entry) {
    const auto start = entry.find("\nExec=");
    if (start == std::string::npos) return {};
    const auto end = entry.find('\n', start + 1);
    return entry.substr(start + 6, end - start - 6);
}

class Autostart : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler_ = SetErrorHandler([this](const std::string& code) { codes_.push_back(code); });
        program_ = home_.root() + "/My \"Apps\" $HOME/KV.Kestrune";
        platform::SetExecutablePathForTesting(program_);
        AutorunMode = 0;
    }
    void TearDown() override {
        platform::SetExecutablePathForTesting("");
        AutorunMode = 0;
        SetErrorHandler(std::move(previousHandler_));
    }
    std::string userEntry() const { return home_.appData() + "/autostart/KV.Kestrune.desktop"; }
    std::string machineEntry() const { return home_.systemConfig() + "/autostart/KV.Kestrune.desktop"; }
    std::string userStore() const { return home_.registry() + "/HKEY_CURRENT_USER.reg"; }
    std::string machineStore() const { return home_.registry() + "/HKEY_LOCAL_MACHINE.reg"; }
    static bool ValueExists(RegistryRoot root) { return RegValueExists(root, kAutorunValuePath); }

    testsupport::IsolatedHome home_;
    testsupport::ScopedEnv env_;
    MessageBoxRecorder boxes_;
    std::string program_;
    std::vector<std::string> codes_;
    ErrorHandler previousHandler_;
};

constexpr const char* kStoreHeader =
    "KV.Kestrune registry 1\n"
    "[SOFTWARE]\n"
    "[SOFTWARE\\Microsoft]\n"
    "[SOFTWARE\\Microsoft\\Windows]\n"
    "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
    "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n";

TEST_F(Autostart, ThisUserValueAndEntryAreSetAndClearedByteExactly) {
    AutorunMode = 2;
    ApplyAutorunMode();

    EXPECT_EQ(ReadFile(userStore()), std::string(kStoreHeader) + "KV.Kestrune=1:" + program_ + "%00\n");
    EXPECT_EQ(ReadFile(userEntry()),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=KV.Kestrune\n"
              "Exec=\"" +
                  home_.root() +
                  "/My \\\\\"Apps\\\\\" \\\\$HOME/KV.Kestrune\"\n"
                  "Terminal=false\n");
    EXPECT_EQ(ParseExec(ExecLine(ReadFile(userEntry()))), std::vector<std::string>{program_});
    EXPECT_FALSE(ValueExists(RegistryRoot::LocalMachine));
    EXPECT_FALSE(FileExists(machineEntry()));
    EXPECT_EQ(AutorunMode, 2);

    AutorunMode = 0;
    ApplyAutorunMode();

    EXPECT_EQ(ReadFile(userStore()), kStoreHeader);
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_TRUE(boxes_.calls().empty());
    EXPECT_TRUE(codes_.empty());
}

TEST_F(Autostart, ExecArgumentKeepsAnyPathOneArgument) {
    const std::vector<std::string> paths{
        "/opt/KV.Kestrune/KV.Kestrune",
        "/home/a b/My \"quoted\" 'single' dir/KV.Kestrune",
        "/x/back\\slash/\\\\two/KV.Kestrune",
        "/x/$HOME `id` 50% 100%%/KV.Kestrune",
        "/x/tab\there/line\nfeed/KV.Kestrune",
        "/x/;|&<>*?#()~=[]/KV.Kestrune",
        "/x/Программы/KV.Kestrune",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const auto value = DesktopExecArgument(path);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->find_first_of("\n\t\r"), std::string::npos);
        EXPECT_EQ(ParseExec(*value), std::vector<std::string>{path});
        EXPECT_EQ(ParseExec(ExecLine(*AutostartEntryText(path))), std::vector<std::string>{path});
    }
    // Bytes that a desktop entry cannot carry make no entry at all.
    for (const std::string& path :
         {std::string("/x/bell\a/KV"), std::string("/x/\x7f/KV"), std::string("/x/\xff\xfe/KV")}) {
        EXPECT_FALSE(DesktopExecArgument(path).has_value());
        EXPECT_FALSE(AutostartEntryText(path).has_value());
    }
}

TEST_F(Autostart, AllUsersValueMovesTheOldThisUserValueAway) {
    AutorunMode = 2;
    ApplyAutorunMode();
    ASSERT_TRUE(FileExists(userEntry()));

    AutorunMode = 1;
    ApplyAutorunMode();

    EXPECT_EQ(ReadFile(machineStore()), std::string(kStoreHeader) + "KV.Kestrune=1:" + program_ + "%00\n");
    EXPECT_EQ(ReadFile(machineEntry()), *AutostartEntryText(program_));
    EXPECT_FALSE(ValueExists(RegistryRoot::CurrentUser));
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_EQ(AutorunMode, 1);

    // And back: this user's value takes the place of the old all-users one.
    AutorunMode = 2;
    ApplyAutorunMode();
    EXPECT_TRUE(ValueExists(RegistryRoot::CurrentUser));
    EXPECT_TRUE(FileExists(userEntry()));
    EXPECT_FALSE(ValueExists(RegistryRoot::LocalMachine));
    EXPECT_FALSE(FileExists(machineEntry()));
    EXPECT_TRUE(boxes_.calls().empty());
    EXPECT_TRUE(codes_.empty());
}

// A start applies the mode more than once: a value and an entry that stand as they should are
// not written again; one that differs is.
TEST_F(Autostart, AValueAndEntryThatStandAlreadyAreNotWrittenAgain) {
    for (const int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        const RegistryRoot root = mode == 1 ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
        const std::string store = root == RegistryRoot::LocalMachine ? machineStore() : userStore();
        const std::string entry = root == RegistryRoot::LocalMachine ? machineEntry() : userEntry();
        AutorunMode = mode;
        ApplyAutorunMode();
        const auto storeBefore = platform::RegularFileIdentity(store);
        const auto entryBefore = platform::RegularFileIdentity(entry);
        ASSERT_TRUE(storeBefore && entryBefore);
        ApplyAutorunMode();
        EXPECT_EQ(platform::RegularFileIdentity(store), storeBefore) << "the value was written again";
        EXPECT_EQ(platform::RegularFileIdentity(entry), entryBefore) << "the entry was written again";

        WriteFile(entry, "changed");
        ApplyAutorunMode();
        EXPECT_EQ(ReadFile(entry), *AutostartEntryText(program_));
        ASSERT_TRUE(RegWriteString(root, kAutorunValuePath, "/other/KV.Kestrune"));
        ApplyAutorunMode();
        std::string value;
        EXPECT_TRUE(RegReadString(root, kAutorunValuePath, value));
        EXPECT_EQ(value, program_);
        EXPECT_EQ(AutorunMode, mode);
        AutorunMode = 0;
        ApplyAutorunMode();
    }
    EXPECT_TRUE(codes_.empty());
    EXPECT_TRUE(boxes_.calls().empty());
}

TEST_F(Autostart, RefusedAllUsersWriteFallsBackToThisUserWithAWarning) {
    env_.Set("KESTRUNE_REGISTRY_DENY_WRITE", "HKEY_LOCAL_MACHINE");
    AutorunMode = 1;
    ApplyAutorunMode();

    EXPECT_EQ(AutorunMode, 2);
    EXPECT_TRUE(ValueExists(RegistryRoot::CurrentUser));
    EXPECT_EQ(ReadFile(userEntry()), *AutostartEntryText(program_));
    EXPECT_FALSE(ValueExists(RegistryRoot::LocalMachine));
    EXPECT_FALSE(FileExists(machineEntry()));
    ASSERT_EQ(boxes_.calls().size(), 1u);
    EXPECT_EQ(boxes_.calls()[0].caption, "Предупреждение...");
    EXPECT_EQ(boxes_.calls()[0].text,
              "Вам запрещен доступ к общим разделам реестра, автозагрузка при старте "
              "включена только для этого пользователя.");
    EXPECT_EQ(boxes_.calls()[0].flags & kMbSystemModal, kMbSystemModal);
    EXPECT_TRUE(codes_.empty());
}

// The warning's texts are the carrier frame's Label1 as the language made it.
TEST_F(Autostart, FallbackWarningTakesTheCarrierFramesTranslatedTexts) {
    TUFrameIncludePanel panel;
    IncludePanel = &panel;
    auto* label = panel.findChild<QWidget*>("FrameUProcedures1")->findChild<QLabel*>("Label1");
    ASSERT_NE(label, nullptr);
    label->setText("Warning...");
    label->setToolTip("Autostart is switched on for this user only.");
    env_.Set("KESTRUNE_REGISTRY_DENY_WRITE", "HKLM");
    AutorunMode = 1;
    ApplyAutorunMode();
    IncludePanel = nullptr;

    ASSERT_EQ(boxes_.calls().size(), 1u);
    EXPECT_EQ(boxes_.calls()[0].caption, "Warning...");
    EXPECT_EQ(boxes_.calls()[0].text, "Autostart is switched on for this user only.");
    EXPECT_EQ(AutorunMode, 2);
}

// An all-users entry that cannot be written takes its registry value back and falls back too.
TEST_F(Autostart, AllUsersEntryThatCannotBeWrittenLeavesNoValueBehind) {
    WriteFile(home_.systemConfig() + "/autostart", "a file where the folder should be");
    AutorunMode = 1;
    ApplyAutorunMode();

    EXPECT_FALSE(ValueExists(RegistryRoot::LocalMachine));
    EXPECT_TRUE(ValueExists(RegistryRoot::CurrentUser));
    EXPECT_TRUE(FileExists(userEntry()));
    EXPECT_EQ(AutorunMode, 2);
    EXPECT_EQ(boxes_.calls().size(), 1u);
}

// No box may claim that autostart is on for this user when that write failed as well.
TEST_F(Autostart, FallbackThatFailsTooIsReportedAndShowsNoBox) {
    env_.Set("KESTRUNE_REGISTRY_DENY_WRITE", "HKLM,HKCU");
    AutorunMode = 1;
    ApplyAutorunMode();

    EXPECT_EQ(codes_, std::vector<std::string>{"UIF.015-02"});
    EXPECT_TRUE(boxes_.calls().empty());
    EXPECT_EQ(AutorunMode, 1);
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_FALSE(FileExists(machineEntry()));
}

TEST_F(Autostart, ClearingRemovesValuesAndEntriesOfBothRoots) {
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        ASSERT_TRUE(RegWriteString(root, kAutorunValuePath, "/old/KV.Kestrune"));
    }
    WriteFile(userEntry(), "old");
    WriteFile(machineEntry(), "old");
    // An entry left without its value goes too.
    AutorunMode = 0;
    ApplyAutorunMode();
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) EXPECT_FALSE(ValueExists(root));
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_FALSE(FileExists(machineEntry()));

    WriteFile(userEntry(), "stale");
    ApplyAutorunMode();
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_TRUE(codes_.empty());
}

TEST_F(Autostart, UnknownModeChangesNothing) {
    ASSERT_TRUE(RegWriteString(RegistryRoot::CurrentUser, kAutorunValuePath, "/old/KV.Kestrune"));
    const std::string before = ReadFile(userStore());
    for (int mode : {5, -1, 3}) {
        AutorunMode = mode;
        ApplyAutorunMode();
        EXPECT_EQ(AutorunMode, mode);
    }
    EXPECT_EQ(ReadFile(userStore()), before);
    EXPECT_FALSE(FileExists(userEntry()));
    EXPECT_FALSE(FileExists(machineEntry()));
}

// Every start takes the value out of both Run keys, with its entries and the autostart settings.
TEST(AutostartAtStart, AStartRemovesOldValuesEntriesAndSettings) {
    hosttest::ScratchProgram program;
    const auto& home = program.home();
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine})
        ASSERT_TRUE(RegWriteString(root, kAutorunValuePath, "/old/KV.Kestrune"));
    WriteFile(home.appData() + "/autostart/KV.Kestrune.desktop", "old");
    WriteFile(home.systemConfig() + "/autostart/KV.Kestrune.desktop", "old");
    WriteFile(home.appData() + "/autostart/Other.desktop", "kept");
    WriteFile(program.app() + "/Settings/UARSettings.ini", "[Settings]\r\n");

    EXPECT_EQ(program.Start({"0", "Prog", "2.0", "English"}), 0);

    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine})
        EXPECT_FALSE(RegValueExists(root, kAutorunValuePath));
    EXPECT_FALSE(FileExists(home.appData() + "/autostart/KV.Kestrune.desktop"));
    EXPECT_FALSE(FileExists(home.systemConfig() + "/autostart/KV.Kestrune.desktop"));
    EXPECT_EQ(ReadFile(home.appData() + "/autostart/Other.desktop"), "kept");
    EXPECT_FALSE(FileExists(program.app() + "/Settings/UARSettings.ini"));
    EXPECT_TRUE(program.boxes().empty());
}

// The stores that an earlier run left are read once each for the whole start, however often the
// start asks them (the special folders, the autostart value before and after its removal).
TEST(AutostartAtStart, AStartReadsEachStoreOnce) {
    hosttest::ScratchProgram program;
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        ASSERT_TRUE(RegWriteString(root, kAutorunValuePath, "/old/KV.Kestrune"));
        ASSERT_TRUE(RegWriteString(root, "Software\\Other\\Value", std::string(100000, 'x')));
        const std::string store = platform::RegistryStoreFile(root);
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, store.c_str(), times, 0), 0);
    }
    EXPECT_EQ(program.Start({"0", "Prog", "2.0", "English"}), 0);
    EXPECT_EQ(platform::RegistryRunCountsForTesting().storeReads, 2);
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        EXPECT_FALSE(RegValueExists(root, kAutorunValuePath));
        std::string kept;
        EXPECT_TRUE(RegReadString(root, "Software\\Other\\Value", kept));
        EXPECT_EQ(kept.size(), 100000u);
    }
    platform::SetRegistryNoticeHandler({});
}

// Another program holds both stores' locks for good. The start waits for them once in all (the
// first change of the autostart value), every later change fails at once, and the settings
// window the caller asked for comes up after that one wait; the values stay as they were.
TEST(AutostartAtStart, HeldStoreLocksHoldTheSettingsWindowBackByOneBoundedWaitAtMost) {
    hosttest::ScratchProgram program;
    std::vector<int> holders;
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        ASSERT_TRUE(RegWriteString(root, kAutorunValuePath, "/old/KV.Kestrune"));
        const std::string lock = platform::RegistryStoreFile(root) + ".lock";
        holders.push_back(open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_GE(holders.back(), 0);
        ASSERT_EQ(flock(holders.back(), LOCK_EX | LOCK_NB), 0);
    }
    const testsupport::ScopedHook<int> wait(platform::SetRegistryLockWaitForTesting, 300);
    int waitsAtTheWindow = -1;
    program.WhenModal("FormSettings", [&](QWidget* window) {
        waitsAtTheWindow = platform::RegistryRunCountsForTesting().lockWaits;
        // Cancel reloads the settings and applies the autostart mode once more.
        auto* cancel = window->findChild<QPushButton*>("ButtonCancel");
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    });
    EXPECT_EQ(program.Start({"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"}), 0);
    EXPECT_EQ(waitsAtTheWindow, 1) << "the window came up after " << waitsAtTheWindow << " waits";
    EXPECT_EQ(platform::RegistryRunCountsForTesting().lockWaits, 1);
    for (const int holder : holders) close(holder);
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine})
        EXPECT_TRUE(RegValueExists(root, kAutorunValuePath));
    platform::SetRegistryNoticeHandler({});
}

}  // namespace
