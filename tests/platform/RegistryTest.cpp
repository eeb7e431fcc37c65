#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <functional>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/RegistryFormat.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::RegistryRoot;
constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string StoreText(RegistryRoot root) { return testsupport::ReadFile(platform::RegistryStoreFile(root)); }

std::string QueryData(RegistryRoot root, const std::string& key, const std::string& name) {
    const auto value = platform::RegistryQueryValue(root, key, name);
    return value ? value->data : "<missing>";
}

// Runs body in a child process and answers its exit code (-1 when it did not exit normally).
template <class Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class RegistryStore : public ::testing::Test {
protected:
    testsupport::IsolatedHome home;
};

TEST_F(RegistryStore, LivesWhereTheEnvironmentPointsIt) {
    EXPECT_EQ(platform::RegistryStoreFile(kUser), home.registry() + "/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(platform::RegistryStoreFile(kMachine), home.registry() + "/HKEY_LOCAL_MACHINE.reg");

    testsupport::ScopedEnv env;
    env.Set("KESTRUNE_REGISTRY", std::nullopt);
    EXPECT_EQ(platform::RegistryStoreFile(kUser), home.appData() + "/kestrune-registry/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(platform::RegistryStoreFile(kMachine), "/var/lib/kestrune-registry/HKEY_LOCAL_MACHINE.reg");
}

TEST_F(RegistryStore, NamesCompareWithoutLetterCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, kRunKey, "KV.Kestrune", platform::kRegSz, "one"));
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, "software\\MICROSOFT\\windows\\currentversion\\run", "kv.KESTRUNE",
                                             platform::kRegSz, "two"));
    ASSERT_TRUE(platform::RegistryCreateKey(kUser, "Software\\Microsoft\\Other"));

    EXPECT_EQ(QueryData(kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Kv.Kestrune"), "two");
    EXPECT_TRUE(platform::RegistryKeyExists(kUser, "SOFTWARE\\microsoft"));
    const std::string text = StoreText(kUser);
    EXPECT_NE(text.find("[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\nKV.Kestrune=1:two\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[SOFTWARE\\Microsoft\\Other]\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("kv.KESTRUNE"), std::string::npos) << text;
    EXPECT_EQ(text.find("software"), std::string::npos) << text;
}

TEST_F(RegistryStore, KeepsEveryByteOfNamesAndData) {
    struct Row {
        const char* label;
        std::string key;
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    const Row rows[] = {
        {"text with its NUL", kRunKey, "KV.Kestrune", platform::kRegSz, std::string("/opt/a b/KV.Kestrune\0", 21)},
        {"bytes the file format uses", "A\\B", "x=y [z] %41", platform::kRegBinary, "line\nbreak\r=[%]\x7f"},
        {"every byte value", "A\\B", "all", platform::kRegBinary,
         [] {
             std::string all;
             for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
             return all;
         }()},
        {"UTF-8 names", "Программы\\Ключ", "Значение", platform::kRegSz, std::string("Привет\0", 13)},
        {"the unnamed default value", "A", "", platform::kRegDword, std::string("\x01\x00\x00\x00", 4)},
        {"a value of the root itself", "", "top", platform::kRegExpandSz, "%TEMP%"},
        {"empty data", "A", "empty", platform::kRegSz, ""},
    };
    for (const Row& row : rows)
        ASSERT_TRUE(platform::RegistryWriteValue(kUser, row.key, row.name, row.type, row.data)) << row.label;
    for (const Row& row : rows) {
        const auto value = platform::RegistryQueryValue(kUser, row.key, row.name);
        ASSERT_TRUE(value) << row.label;
        EXPECT_EQ(value->type, row.type) << row.label;
        EXPECT_EQ(value->data, row.data) << row.label;
    }
    EXPECT_TRUE(platform::registry::ParseStore(StoreText(kUser)).clean);
}

TEST_F(RegistryStore, KeyPathsWithAnEmptyPartNameNoKey) {
    const struct {
        const char* path;
        bool valid;
    } rows[] = {{"", true},     {"A", true},       {"A\\B C\\D", true}, {"\\A", false},
                {"A\\", false}, {"A\\\\B", false}, {"\\", false}};
    for (const auto& row : rows) {
        EXPECT_EQ(platform::RegistryCreateKey(kUser, row.path), row.valid) << row.path;
        EXPECT_EQ(platform::RegistryWriteValue(kUser, row.path, "v", platform::kRegSz, "x"), row.valid) << row.path;
        EXPECT_EQ(platform::RegistryQueryValue(kUser, row.path, "v").has_value(), row.valid) << row.path;
    }
}

TEST_F(RegistryStore, MissingKeysAndValuesAnswerFalseAndChangeNothing) {
    EXPECT_FALSE(platform::RegistryKeyExists(kUser, "Missing"));
    EXPECT_FALSE(platform::RegistrySetValue(kUser, "Missing", "v", platform::kRegSz, "x"));
    EXPECT_FALSE(platform::RegistryDeleteValue(kUser, "Missing", "v"));
    EXPECT_FALSE(platform::RegistryQueryValue(kUser, "Missing", "v"));
    EXPECT_FALSE(testsupport::FileExists(platform::RegistryStoreFile(kUser)));

    ASSERT_TRUE(platform::RegistryCreateKey(kUser, "Present"));
    const std::string before = StoreText(kUser);
    EXPECT_FALSE(platform::RegistryDeleteValue(kUser, "Present", "v"));
    EXPECT_FALSE(platform::RegistryQueryValue(kUser, "Present", "v"));
    EXPECT_EQ(StoreText(kUser), before);

    ASSERT_TRUE(platform::RegistrySetValue(kUser, "present", "V", platform::kRegSz, "x"));
    EXPECT_TRUE(platform::RegistryDeleteValue(kUser, "PRESENT", "v"));
    EXPECT_FALSE(platform::RegistryQueryValue(kUser, "Present", "V"));
    EXPECT_TRUE(platform::RegistryKeyExists(kUser, "Present"));  // deleting a value keeps its key
}

TEST_F(RegistryStore, TheRootsAreSeparateStores) {
    ASSERT_TRUE(platform::RegistryWriteValue(kMachine, kRunKey, "KV.Kestrune", platform::kRegSz, "all"));
    EXPECT_FALSE(platform::RegistryQueryValue(kUser, kRunKey, "KV.Kestrune"));
    EXPECT_EQ(QueryData(kMachine, kRunKey, "KV.Kestrune"), "all");
}

TEST_F(RegistryStore, TheDenySwitchRefusesEveryWriteUnderItsRootsAndKeepsReads) {
    const struct {
        const char* setting;
        bool userDenied;
        bool machineDenied;
    } rows[] = {
        {"", false, false},    {"HKEY_LOCAL_MACHINE", false, true},
        {"hklm", false, true}, {"HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE", true, true},
        {"hkcu", true, false}, {"HKEY_LOCAL_MACHINE_X", false, false},
    };
    for (const auto& row : rows) {
        testsupport::ScratchFolder store;
        testsupport::ScopedEnv env;
        env.Set("KESTRUNE_REGISTRY", store.path());
        for (const RegistryRoot root : {kUser, kMachine})
            ASSERT_TRUE(platform::RegistryWriteValue(root, kRunKey, "Old", platform::kRegSz, "old"));
        env.Set("KESTRUNE_REGISTRY_DENY_WRITE", row.setting);
        for (const RegistryRoot root : {kUser, kMachine}) {
            const bool denied = root == kUser ? row.userDenied : row.machineDenied;
            const std::string label = std::string(row.setting) + " / " + platform::RegistryRootName(root);
            const std::string before = StoreText(root);
            EXPECT_EQ(platform::RegistryWriteValue(root, kRunKey, "New", platform::kRegSz, "new"), !denied) << label;
            EXPECT_EQ(platform::RegistrySetValue(root, kRunKey, "Old", platform::kRegSz, "changed"), !denied) << label;
            EXPECT_EQ(platform::RegistryCreateKey(root, kRunKey), !denied) << label;
            EXPECT_EQ(platform::RegistryDeleteValue(root, kRunKey, "Old"), !denied) << label;
            if (denied) {
                EXPECT_EQ(StoreText(root), before) << label;
                EXPECT_EQ(QueryData(root, kRunKey, "Old"), "old") << label;
                EXPECT_TRUE(platform::RegistryKeyExists(root, kRunKey)) << label;
            }
        }
    }
}

TEST_F(RegistryStore, AFailedWriteLeavesTheOldStoreWholeAndNoTemporaryFile) {
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, kRunKey, "KV.Kestrune", platform::kRegSz, "kept"));
    const std::string before = StoreText(kUser);

    // A child whose files may not grow beyond 4 KiB tries to store 64 KiB: the write itself fails.
    const int code = InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        return platform::RegistryWriteValue(kUser, kRunKey, "Big", platform::kRegBinary, std::string(65536, 'x')) ? 1
                                                                                                                  : 0;
    });
    ASSERT_EQ(code, 0) << "the oversized write was reported as done";
    EXPECT_EQ(StoreText(kUser), before);
    EXPECT_EQ(QueryData(kUser, kRunKey, "KV.Kestrune"), "kept");
    EXPECT_EQ(platform::ListDirectory(home.registry()),
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

TEST_F(RegistryStore, AStoreThatCannotBeReadBackIsNeverRewritten) {
    const std::string header = "KV.Kestrune registry 1\n";
    const struct {
        const char* label;
        std::string text;
    } rows[] = {
        {"another format", "REGEDIT4\n[A]\n\"v\"=\"x\"\n"},     {"a cut last line", header + "[A]\nv=1:abc"},
        {"a broken escape", header + "[A]\nv=1:%4\n"},          {"a value before any key", header + "v=1:x\n[A]\n"},
        {"a type that is no number", header + "[A]\nv=sz:x\n"},
    };
    for (const auto& row : rows) {
        const std::string file = platform::RegistryStoreFile(kUser);
        testsupport::WriteFile(file, row.text);
        EXPECT_FALSE(platform::RegistryWriteValue(kUser, "A", "w", platform::kRegSz, "y")) << row.label;
        EXPECT_FALSE(platform::RegistryDeleteValue(kUser, "A", "v")) << row.label;
        EXPECT_EQ(testsupport::ReadFile(file), row.text) << row.label;
    }
}

// Files that someone else put in a store's place. None may hold a read or a write: each is told of
// once, left exactly as it is, reads answer only the built-in values and writes fail.
TEST_F(RegistryStore, AStoreThatIsNoReadablePlainFileIsToldOfOnceAndLeftAlone) {
    const std::string header = "KV.Kestrune registry 1\n";
    struct Case {
        const char* label;
        std::function<void(const std::string&)> make;
        const char* told;
    };
    const std::vector<Case> cases{
        {"a pipe", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, "is no plain file"},
        {"a link to a device", [](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); },
         "is no plain file"},
        {"a folder", [](const std::string& f) { ASSERT_EQ(mkdir(f.c_str(), 0700), 0); }, "is a folder"},
        {"over the limit",
         [&](const std::string& f) {
             testsupport::WriteFile(f, header + "[" + kRunKey + "]\nKV.Kestrune=1:x%00\n[Big]\nv=3:" +
                                           std::string(platform::kRegistryStoreLimit, 'x') + "\n");
         },
         "is larger than 1024 KiB"},
        {"a link to itself",
         [](const std::string& f) { ASSERT_EQ(symlink(std::filesystem::path(f).filename().c_str(), f.c_str()), 0); },
         "cannot be read"},
    };
    const std::string shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    for (const RegistryRoot root : {kUser, kMachine}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(platform::RegistryRootName(root)) + ", " + c.label);
            const std::string file = platform::RegistryStoreFile(root);
            std::filesystem::remove_all(file);
            c.make(file);
            const auto before = std::filesystem::symlink_status(file);
            const std::uintmax_t sizeBefore =
                std::filesystem::is_regular_file(before) ? std::filesystem::file_size(file) : 0;
            std::vector<std::string> told;
            platform::SetRegistryNoticeHandler([&](const std::string& text) { told.push_back(text); });

            for (int round = 0; round < 3; ++round) {
                EXPECT_FALSE(platform::RegistryQueryValue(root, kRunKey, "KV.Kestrune"));
                EXPECT_FALSE(platform::RegistryKeyExists(root, kRunKey));
                const std::string builtIn = root == kUser ? "AppData" : "Common AppData";
                EXPECT_TRUE(platform::RegistryQueryValue(root, shellFolders, builtIn))
                    << "built-in values still answer";
                EXPECT_FALSE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "y"));
                EXPECT_FALSE(platform::RegistryDeleteValue(root, kRunKey, "KV.Kestrune"));
            }
            platform::SetRegistryNoticeHandler({});

            ASSERT_EQ(told.size(), 1u);
            EXPECT_EQ(told[0].rfind(file + " " + c.told, 0), 0u) << told[0];
            const auto after = std::filesystem::symlink_status(file);
            EXPECT_EQ(after.type(), before.type());
            if (std::filesystem::is_regular_file(after)) {
                EXPECT_EQ(std::filesystem::file_size(file), sizeBefore);
            }
            std::filesystem::remove_all(file);
        }
    }
}

// A store whose mode lets nobody read it (as root, whom modes do not stop, the reader runs as an
// ordinary user).
TEST_F(RegistryStore, AStoreThatMayNotBeReadIsToldOfOnceAndLeftAlone) {
    const std::string text = "KV.Kestrune registry 1\n[A]\nv=1:x%00\n";
    for (const RegistryRoot root : {kUser, kMachine}) {
        SCOPED_TRACE(platform::RegistryRootName(root));
        const std::string file = platform::RegistryStoreFile(root);
        testsupport::WriteFile(file, text);
        ASSERT_EQ(chmod(file.c_str(), 0), 0);
        // The other user may pass through the scratch folders, not write in them.
        for (const std::string& folder : {home.root(), home.registry()}) ASSERT_EQ(chmod(folder.c_str(), 0711), 0);
        const int code = InChild([&] {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                                   setresuid(65534, 65534, 65534) != 0))
                return 9;
            int told = 0;
            platform::SetRegistryNoticeHandler([&](const std::string& notice) {
                if (notice == file + " cannot be read: Permission denied") ++told;
            });
            bool fine = true;
            for (int round = 0; round < 3; ++round) {
                fine = !platform::RegistryQueryValue(root, "A", "v") && fine;
                fine = !platform::RegistryWriteValue(root, "A", "v", platform::kRegSz, "y") && fine;
            }
            return fine && told == 1 ? 0 : 1 + told;
        });
        for (const std::string& folder : {home.root(), home.registry()}) chmod(folder.c_str(), 0700);
        EXPECT_EQ(code, 0);
        ASSERT_EQ(chmod(file.c_str(), 0600), 0);
        EXPECT_EQ(testsupport::ReadFile(file), text);
    }
}

// Anyone who may open the lock file can hold its lock for good: a change then fails after a
// bounded wait, is told of once, and the store stays readable; once the lock is free, writes work.
TEST_F(RegistryStore, ALockHeldByAnotherProgramFailsTheChangeInsteadOfHoldingIt) {
    for (const RegistryRoot root : {kUser, kMachine}) {
        SCOPED_TRACE(platform::RegistryRootName(root));
        ASSERT_TRUE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "old"));
        const std::string old = QueryData(root, kRunKey, "KV.Kestrune");
        const std::string lockFile = platform::RegistryStoreFile(root) + ".lock";
        const int holder = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(flock(holder, LOCK_EX), 0);
        std::vector<std::string> told;
        platform::SetRegistryNoticeHandler([&](const std::string& text) { told.push_back(text); });
        const int wait = platform::SetRegistryLockWaitForTesting(500);
        for (int round = 0; round < 2; ++round) {
            EXPECT_FALSE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "new"));
            EXPECT_EQ(QueryData(root, kRunKey, "KV.Kestrune"), old);
        }
        platform::SetRegistryLockWaitForTesting(wait);
        platform::SetRegistryNoticeHandler({});
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], lockFile + " is locked by another program");
        close(holder);
        EXPECT_TRUE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "new"));
        EXPECT_NE(QueryData(root, kRunKey, "KV.Kestrune"), old);
    }
}

TEST_F(RegistryStore, ReadsTheDocumentedFileFormat) {
    testsupport::WriteFile(platform::RegistryStoreFile(kUser),
                           "KV.Kestrune registry 1\n"
                           "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
                           "KV.Kestrune=1:/opt/KV.Kestrune/KV.Kestrune%00\n"
                           "\n"
                           "[]\n"
                           "=4:%2A%00%00%00\n"
                           "a%3Db=3:%5B%5D%25\n");
    EXPECT_EQ(QueryData(kUser, kRunKey, "kv.kestrune"), std::string("/opt/KV.Kestrune/KV.Kestrune\0", 29));
    EXPECT_EQ(QueryData(kUser, "", ""), std::string("*\0\0\0", 4));
    EXPECT_EQ(QueryData(kUser, "", "a=b"), "[]%");
    EXPECT_TRUE(platform::RegistryKeyExists(kUser, "SOFTWARE\\Microsoft\\Windows"));
}

TEST_F(RegistryStore, ProgramsWritingAtOnceKeepEachOthersValuesAndReadersSeeWholeStores) {
    constexpr int kWriters = 3;
    constexpr int kValuesEach = 40;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i) {
                const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
                ok = platform::RegistryWriteValue(kUser, "Shared", name, platform::kRegBinary,
                                                  std::string(2000, static_cast<char>('a' + w))) &&
                     ok;
            }
            _exit(ok ? 0 : 1);
        }
        ASSERT_GT(pid, 0);
        writers.push_back(pid);
    }
    // Meanwhile the store, whenever it is there, is always a whole one.
    std::vector<int> exitCodes(writers.size(), -2);
    for (bool running = true; running;) {
        if (const auto text =
                platform::ReadRegularFileLimited(platform::RegistryStoreFile(kUser), platform::kRegistryStoreLimit)) {
            ASSERT_TRUE(platform::registry::ParseStore(*text).clean) << "a half-written store was seen";
        }
        running = false;
        for (std::size_t w = 0; w < writers.size(); ++w) {
            if (exitCodes[w] != -2) continue;
            int status = 0;
            if (waitpid(writers[w], &status, WNOHANG) == 0) running = true;
            else exitCodes[w] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    EXPECT_EQ(exitCodes, std::vector<int>(writers.size(), 0)) << "a writer saw a write fail";
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValuesEach; ++i) {
            const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
            EXPECT_EQ(QueryData(kUser, "Shared", name), std::string(2000, static_cast<char>('a' + w))) << name;
        }
}

}  // namespace
