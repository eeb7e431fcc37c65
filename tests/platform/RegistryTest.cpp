#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

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
        if (const auto text = platform::ReadWholeFile(platform::RegistryStoreFile(kUser))) {
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
