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
#include <new>

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

// Each test is a run of its own: nothing told, waited for or read before it counts.
class RegistryStore : public ::testing::Test {
protected:
    RegistryStore() { platform::SetRegistryNoticeHandler({}); }
    ~RegistryStore() override { platform::SetRegistryNoticeHandler({}); }
    testsupport::IsolatedHome home;
};

// An exclusive flock on a store's lock file, as another program would hold it, until it goes.
class HeldLock {
public:
    explicit HeldLock(RegistryRoot root) : path_(platform::RegistryStoreFile(root) + ".lock") {
        fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_GE(fd_, 0) << path_;
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0) << path_;
    }
    ~HeldLock() { Release(); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    void Release() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// The wait for a lock shortened, and everything the stores tell gathered, for one scope.
struct ShortWaitAndNotices {
    std::vector<std::string> told;
    int wait = platform::SetRegistryLockWaitForTesting(300);
    ShortWaitAndNotices() {
        platform::SetRegistryNoticeHandler([this](const std::string& text) { told.push_back(text); });
    }
    ~ShortWaitAndNotices() {
        platform::SetRegistryLockWaitForTesting(wait);
        platform::SetRegistryNoticeHandler({});
    }
};

int LockWaits() { return platform::RegistryRunCountsForTesting().lockWaits; }
int StoreReads() { return platform::RegistryRunCountsForTesting().storeReads; }

// The file's last change put an hour back: a store that an earlier run left.
void AgeFile(const std::string& path) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {now, {now.tv_sec - 3600, now.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// Every kind of change of the store, each answering whether it was made.
const std::vector<std::pair<const char*, std::function<bool(RegistryRoot)>>>& EveryChange() {
    static const std::vector<std::pair<const char*, std::function<bool(RegistryRoot)>>> changes{
        {"write", [](RegistryRoot r) { return platform::RegistryWriteValue(r, kRunKey, "KV.Kestrune", 1, "new"); }},
        {"set", [](RegistryRoot r) { return platform::RegistrySetValue(r, kRunKey, "KV.Kestrune", 1, "set"); }},
        {"create a key", [](RegistryRoot r) { return platform::RegistryCreateKey(r, "Software\\New"); }},
        {"delete", [](RegistryRoot r) { return platform::RegistryDeleteValue(r, kRunKey, "KV.Kestrune"); }},
    };
    return changes;
}

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

// A change that throws half-way (its key made, its value not: the copy of a value fails as an
// exhausted memory fails it) leaves nothing of itself in what the run answers: the store read
// afterwards is the file's, and the next change builds on the file too.
TEST_F(RegistryStore, AChangeThatThrowsHalfWayLeavesNothingOfItInTheRun) {
    const std::string file = platform::RegistryStoreFile(kUser);
    testsupport::WriteFile(file, "KV.Kestrune registry 1\n[A]\nv=3:mine\n");
    AgeFile(file);
    ASSERT_EQ(QueryData(kUser, "A", "v"), "mine");
    const std::string before = StoreText(kUser);
    // The store is changed in the run's copy, then the change fails before the write.
    platform::SetRegistryBeforeWriteForTesting([] { throw std::bad_alloc(); });
    EXPECT_THROW(platform::RegistryWriteValue(kUser, "B\\New", "w", platform::kRegSz, "x"), std::bad_alloc);
    EXPECT_THROW(platform::RegistryWriteValue(kUser, "A", "w", platform::kRegSz, "x"), std::bad_alloc);
    platform::SetRegistryBeforeWriteForTesting({});
    EXPECT_FALSE(platform::RegistryKeyExists(kUser, "B\\New"));
    EXPECT_EQ(QueryData(kUser, "A", "w"), "<missing>");
    EXPECT_EQ(StoreText(kUser), before);
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, "A", "x", platform::kRegSz, "next"));
    EXPECT_FALSE(platform::registry::ParseStore(StoreText(kUser)).store.FindKey("B\\New"));
    EXPECT_FALSE(platform::RegistryKeyExists(kUser, "B\\New"));
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

// Anyone who may open the lock file can hold its lock for good: the first change then fails after
// the bounded wait and is told of once; every later change of the run under that lock fails at
// once, without waiting again, even once the lock is free. The store stays readable, and the
// next run writes again.
TEST_F(RegistryStore, ALockHeldPastItsWaitFailsEveryLaterChangeOfTheRunAtOnce) {
    for (const RegistryRoot root : {kUser, kMachine}) {
        SCOPED_TRACE(platform::RegistryRootName(root));
        ASSERT_TRUE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "old"));
        const std::string old = QueryData(root, kRunKey, "KV.Kestrune");
        const std::string before = StoreText(root);
        {
            ShortWaitAndNotices scope;
            HeldLock holder(root);
            EXPECT_FALSE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "new"));
            EXPECT_EQ(LockWaits(), 1);
            for (int round = 0; round < 2; ++round) {
                if (round == 1) holder.Release();
                for (const auto& [label, change] : EveryChange()) {
                    EXPECT_FALSE(change(root)) << label << ", round " << round;
                    EXPECT_EQ(LockWaits(), 1) << label << " waited again";
                }
                EXPECT_EQ(QueryData(root, kRunKey, "KV.Kestrune"), old);
            }
            EXPECT_EQ(scope.told, std::vector<std::string>{holder.path() + " is locked by another program"});
        }
        EXPECT_EQ(StoreText(root), before);
        // A new run finds the lock free.
        EXPECT_TRUE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "new"));
        EXPECT_NE(QueryData(root, kRunKey, "KV.Kestrune"), old);
        EXPECT_EQ(LockWaits(), 0);
    }
}

// A run waits for locks once in all: once one root's lock was held past the wait, a change under
// the other root's lock fails at once when that one is held too, and goes ahead when it is free.
TEST_F(RegistryStore, ARunWaitsForHeldLocksOnceInAll) {
    for (const bool otherHeld : {true, false}) {
        SCOPED_TRACE(otherHeld ? "the other lock held" : "the other lock free");
        ShortWaitAndNotices scope;
        HeldLock user(kUser);
        std::optional<HeldLock> machine;
        if (otherHeld) machine.emplace(kMachine);
        EXPECT_FALSE(platform::RegistryWriteValue(kUser, kRunKey, "KV.Kestrune", platform::kRegSz, "x"));
        ASSERT_EQ(LockWaits(), 1);
        for (const auto& [label, change] : EveryChange()) {
            EXPECT_EQ(change(kMachine), !otherHeld) << label;
            EXPECT_EQ(LockWaits(), 1) << label << " waited";
        }
        std::vector<std::string> expected{user.path() + " is locked by another program"};
        if (otherHeld) expected.push_back(machine->path() + " is locked by another program");
        EXPECT_EQ(scope.told, expected);
    }
}

// Whatever stands at the lock file's name that is no plain file (a folder, a link wherever it
// points, a pipe) is nobody's lock: the change fails at once, is told of once, and neither the
// entry nor what a link points to changes.
TEST_F(RegistryStore, ALockFileThatIsNoPlainFileFailsTheChangeAndIsToldOfOnce) {
    struct Case {
        const char* label;
        std::function<void(const std::string& lock, const std::string& aside)> make;
    };
    const std::vector<Case> cases{
        {"a folder", [](const std::string& l, const std::string&) { ASSERT_EQ(mkdir(l.c_str(), 0700), 0); }},
        {"a link to a plain file",
         [](const std::string& l, const std::string& a) {
             testsupport::WriteFile(a, "another program's file");
             ASSERT_EQ(symlink(a.c_str(), l.c_str()), 0);
         }},
        {"a link to a folder",
         [](const std::string& l, const std::string& a) {
             ASSERT_EQ(mkdir(a.c_str(), 0700), 0);
             ASSERT_EQ(symlink(a.c_str(), l.c_str()), 0);
         }},
        {"a link to nothing",
         [](const std::string& l, const std::string& a) { ASSERT_EQ(symlink(a.c_str(), l.c_str()), 0); }},
        {"a pipe", [](const std::string& l, const std::string&) { ASSERT_EQ(mkfifo(l.c_str(), 0600), 0); }},
    };
    for (const RegistryRoot root : {kUser, kMachine}) {
        ASSERT_TRUE(platform::RegistryWriteValue(root, kRunKey, "KV.Kestrune", platform::kRegSz, "old"));
        const std::string lock = platform::RegistryStoreFile(root) + ".lock";
        const std::string aside = home.root() + "/aside";
        const std::string before = StoreText(root);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(platform::RegistryRootName(root)) + ", " + c.label);
            std::filesystem::remove_all(lock);
            std::filesystem::remove_all(aside);
            c.make(lock, aside);
            const auto entry = std::filesystem::symlink_status(lock).type();
            const auto target = std::filesystem::symlink_status(aside).type();
            {
                ShortWaitAndNotices scope;
                for (int round = 0; round < 3; ++round)
                    for (const auto& [label, change] : EveryChange()) EXPECT_FALSE(change(root)) << label;
                EXPECT_EQ(LockWaits(), 0);
                EXPECT_EQ(scope.told, std::vector<std::string>{lock + " is no plain file"});
            }
            EXPECT_EQ(StoreText(root), before);
            EXPECT_EQ(std::filesystem::symlink_status(lock).type(), entry);
            EXPECT_EQ(std::filesystem::symlink_status(aside).type(), target);
            if (target == std::filesystem::file_type::regular) {
                EXPECT_EQ(testsupport::ReadFile(aside), "another program's file");
            }
            if (target == std::filesystem::file_type::directory) {
                EXPECT_TRUE(std::filesystem::is_empty(aside));
            }
        }
        std::filesystem::remove_all(lock);
        std::filesystem::remove_all(aside);
    }
}

// A store that an earlier run left is read once for any number of queries, each found by name; a
// change of this run keeps what it wrote without reading the file again.
TEST_F(RegistryStore, ALargeStoreIsReadOnceAndAnsweredByName) {
    constexpr int kValues = 10000;
    std::string text = "KV.Kestrune registry 1\n[Big]\n";
    for (int i = 0; i < kValues; ++i) text += "Value" + std::to_string(i) + "=1:data " + std::to_string(i) + "%00\n";
    const std::string file = platform::RegistryStoreFile(kUser);
    testsupport::WriteFile(file, text);
    AgeFile(file);

    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kValues; ++i) {
            const auto value = platform::RegistryQueryValue(kUser, "big", "VALUE" + std::to_string(i));
            ASSERT_TRUE(value) << i;
            ASSERT_EQ(value->data, "data " + std::to_string(i) + std::string(1, '\0')) << i;
        }
        EXPECT_FALSE(platform::RegistryQueryValue(kUser, "Big", "Value" + std::to_string(kValues)));
        EXPECT_FALSE(platform::RegistryQueryValue(kUser, "Other", "Value0"));
        EXPECT_TRUE(platform::RegistryKeyExists(kUser, "Big"));
    }
    EXPECT_EQ(StoreReads(), 1);

    ASSERT_TRUE(platform::RegistryWriteValue(kUser, "Big", "Value5", platform::kRegSz, "changed"));
    ASSERT_TRUE(platform::RegistryDeleteValue(kUser, "Big", "Value7"));
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, "Big", "Added", platform::kRegSz, "new"));
    EXPECT_EQ(QueryData(kUser, "Big", "Value5"), "changed");
    EXPECT_EQ(QueryData(kUser, "Big", "Value7"), "<missing>");
    EXPECT_EQ(QueryData(kUser, "Big", "Added"), "new");
    EXPECT_EQ(QueryData(kUser, "Big", "Value9999"), std::string("data 9999\0", 10));
    EXPECT_EQ(StoreReads(), 1) << "a change read the store again";
    // What was kept is what the file holds.
    const auto reread = platform::registry::ParseStore(StoreText(kUser));
    ASSERT_TRUE(reread.clean);
    ASSERT_NE(reread.store.FindKey("Big"), nullptr);
    EXPECT_EQ(reread.store.FindKey("Big")->values().size(), static_cast<std::size_t>(kValues));
}

// A store that someone else changed after this run read it is read again, whichever way the change
// came: another program's change (a new file renamed over it), or a rewrite in place, even one of
// the same size at once after the read.
TEST_F(RegistryStore, AChangeByAnotherWriterIsSeen) {
    const std::string file = platform::RegistryStoreFile(kUser);
    const std::string header = "KV.Kestrune registry 1\n[A]\n";
    struct Case {
        const char* label;
        bool aged;  // the store was left by an earlier run
        std::function<void()> change;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"another program's change", true,
         [] {
             ASSERT_EQ(InChild([] { return platform::RegistryWriteValue(kUser, "A", "v", 3, "theirs") ? 0 : 1; }), 0);
         },
         "theirs"},
        {"rewritten in place, another size", true, [&] { testsupport::WriteFile(file, header + "v=3:longer\n"); },
         "longer"},
        {"rewritten in place, same size, within the same clock tick", false,
         [&] {
             // The file's time put back as it was: what a rewrite within one tick leaves.
             struct stat st {};
             ASSERT_EQ(stat(file.c_str(), &st), 0);
             testsupport::WriteFile(file, header + "v=3:your\n");
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
         },
         "your"},
        {"replaced, its time put back as it was", true,
         [&] {
             struct stat st {};
             ASSERT_EQ(stat(file.c_str(), &st), 0);
             testsupport::WriteFile(file + ".new", header + "v=3:swap\n");
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ASSERT_EQ(utimensat(AT_FDCWD, (file + ".new").c_str(), times, 0), 0);
             ASSERT_EQ(rename((file + ".new").c_str(), file.c_str()), 0);
         },
         "swap"},
        {"removed", true, [&] { std::filesystem::remove(file); }, "<missing>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::WriteFile(file, header + "v=3:mine\n");
        if (c.aged) AgeFile(file);
        platform::SetRegistryNoticeHandler({});
        ASSERT_EQ(QueryData(kUser, "A", "v"), "mine");
        c.change();
        EXPECT_EQ(QueryData(kUser, "A", "v"), c.expected);
        // And a change of this run builds on what the file holds now.
        ASSERT_TRUE(platform::RegistryWriteValue(kUser, "A", "w", platform::kRegSz, "ours"));
        EXPECT_EQ(QueryData(kUser, "A", "v"), c.expected);
        EXPECT_EQ(QueryData(kUser, "A", "w"), "ours");
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
