#include <gtest/gtest.h>

#include "foundation/core/MiniReg.h"
#include "platform/Registry.h"
#include "tests/support/TestSupport.h"

namespace {

using kestrune::RegistryRoot;
constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunValue = kRunKey + "\\KV.Kestrune";

class MiniReg : public ::testing::Test {
protected:
    testsupport::IsolatedHome home;
};

TEST(LastCharPos, AnswersTheOneBasedPositionOfTheLastOccurrence) {
    const struct {
        const char* text;
        int expected;
    } rows[] = {{"", 0}, {"abc", 0}, {"\\", 1}, {"a\\b\\c", 4}, {"a\\", 2}, {"\\\\", 2}};
    for (const auto& row : rows) EXPECT_EQ(kestrune::LastCharPos('\\', row.text), row.expected) << row.text;
}

TEST_F(MiniReg, ValuePathsSplitAtTheirLastBackslash) {
    const struct {
        std::string valuePath;
        std::string key;
        std::string name;
    } rows[] = {
        {kRunValue, kRunKey, "KV.Kestrune"},
        {"Software\\Key\\", "Software\\Key", ""},  // the key's unnamed default value
        {"\\AtTheRoot", "", "AtTheRoot"},          // a value of the root itself
        {"A\\B.C D", "A", "B.C D"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(kestrune::RegWriteString(kUser, row.valuePath, row.valuePath)) << row.valuePath;
        const auto stored = platform::RegistryQueryValue(kUser, row.key, row.name);
        ASSERT_TRUE(stored) << row.valuePath;
        EXPECT_EQ(stored->data, row.valuePath + '\0');
        EXPECT_TRUE(kestrune::RegValueExists(kUser, row.valuePath)) << row.valuePath;
    }
}

TEST_F(MiniReg, AValuePathWithoutBackslashAddressesNothing) {
    ASSERT_TRUE(platform::RegistryWriteValue(kUser, "", "Plain", kestrune::REG_SZ, std::string("x\0", 2)));
    std::string text = "unchanged";
    std::string data = "unchanged";
    std::uint32_t size = 7;
    EXPECT_FALSE(kestrune::RegWriteString(kUser, "Plain", "y"));
    EXPECT_FALSE(kestrune::RegWriteValue(kUser, "Plain", kestrune::REG_SZ, "y", 2));
    EXPECT_FALSE(kestrune::RegReadString(kUser, "Plain", text));
    EXPECT_FALSE(kestrune::RegReadValue(kUser, "Plain", kestrune::REG_SZ, data, size));
    EXPECT_FALSE(kestrune::RegValueExists(kUser, "Plain"));
    EXPECT_FALSE(kestrune::RegDeleteValue(kUser, "Plain"));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(data, "unchanged");
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(platform::RegistryQueryValue(kUser, "", "Plain")->data, std::string("x\0", 2));
}

TEST_F(MiniReg, StringsAreStoredWithTheirNulAndReadBackWithoutIt) {
    ASSERT_TRUE(kestrune::RegWriteString(kUser, kRunValue, "abc"));
    std::string data;
    std::uint32_t size = 0;
    ASSERT_TRUE(kestrune::RegReadValue(kUser, kRunValue, kestrune::REG_SZ, data, size));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data, std::string("abc\0", 4));
    std::string text;
    ASSERT_TRUE(kestrune::RegReadString(kUser, kRunValue, text));
    EXPECT_EQ(text, "abc");
}

TEST_F(MiniReg, ReadStringTakesExactlyTheStringKind) {
    const struct {
        const char* label;
        std::uint32_t type;
        std::string data;
        bool found;
        std::string text;
    } rows[] = {
        {"size 0", kestrune::REG_SZ, "", true, ""},
        {"only the NUL", kestrune::REG_SZ, std::string("\0", 1), true, ""},
        {"UTF-8 text", kestrune::REG_SZ, std::string("Привет\0", 13), true, "Привет"},
        {"stored without a NUL keeps its last character", kestrune::REG_SZ, "abc", true, "abc"},
        {"an expandable string", kestrune::REG_EXPAND_SZ, std::string("%TEMP%\0", 7), false, "unchanged"},
        {"a number", platform::kRegDword, std::string("\x01\x00\x00\x00", 4), false, "unchanged"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(kestrune::RegWriteValue(kUser, "Kinds\\v", row.type, row.data.data(),
                                            static_cast<std::uint32_t>(row.data.size())))
            << row.label;
        std::string text = "unchanged";
        EXPECT_EQ(kestrune::RegReadString(kUser, "Kinds\\v", text), row.found) << row.label;
        EXPECT_EQ(text, row.text) << row.label;
    }
}

TEST_F(MiniReg, ReadValueAnswersOnlyTheExpectedType) {
    ASSERT_TRUE(kestrune::RegWriteValue(kUser, "Kinds\\n", platform::kRegDword, "\x2a\0\0\0", 4));
    std::string data = "before";
    std::uint32_t size = 99;
    EXPECT_FALSE(kestrune::RegReadValue(kUser, "Kinds\\n", kestrune::REG_SZ, data, size));
    EXPECT_EQ(data, "before");
    EXPECT_EQ(size, 99u);
    ASSERT_TRUE(kestrune::RegReadValue(kUser, "Kinds\\n", platform::kRegDword, data, size));
    EXPECT_EQ(data, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(size, 4u);
    EXPECT_FALSE(kestrune::RegReadValue(kUser, "Kinds\\missing", platform::kRegDword, data, size));
    EXPECT_FALSE(kestrune::RegReadValue(kUser, "Missing\\n", platform::kRegDword, data, size));
}

TEST_F(MiniReg, WritesCreateMissingKeysAndDeletesNeedTheValue) {
    EXPECT_FALSE(platform::RegistryKeyExists(kUser, kRunKey));
    EXPECT_FALSE(kestrune::RegValueExists(kUser, kRunValue));
    EXPECT_FALSE(kestrune::RegDeleteValue(kUser, kRunValue));

    ASSERT_TRUE(kestrune::RegWriteString(kUser, kRunValue, "/opt/KV.Kestrune/KV.Kestrune"));
    EXPECT_TRUE(platform::RegistryKeyExists(kUser, kRunKey));
    EXPECT_TRUE(kestrune::RegValueExists(kUser, "software\\microsoft\\windows\\currentversion\\run\\kv.kestrune"));
    EXPECT_TRUE(kestrune::RegDeleteValue(kUser, kRunValue));
    EXPECT_FALSE(kestrune::RegValueExists(kUser, kRunValue));
    EXPECT_FALSE(kestrune::RegDeleteValue(kUser, kRunValue));
}

TEST_F(MiniReg, ARefusedRootAnswersFalseForWritesOnly) {
    ASSERT_TRUE(kestrune::RegWriteString(RegistryRoot::LocalMachine, kRunValue, "old"));
    testsupport::ScopedEnv env;
    env.Set("KESTRUNE_REGISTRY_DENY_WRITE", "HKEY_LOCAL_MACHINE");
    EXPECT_FALSE(kestrune::RegWriteString(RegistryRoot::LocalMachine, kRunValue, "new"));
    EXPECT_FALSE(kestrune::RegDeleteValue(RegistryRoot::LocalMachine, kRunValue));
    EXPECT_TRUE(kestrune::RegValueExists(RegistryRoot::LocalMachine, kRunValue));
    std::string text;
    ASSERT_TRUE(kestrune::RegReadString(RegistryRoot::LocalMachine, kRunValue, text));
    EXPECT_EQ(text, "old");
    EXPECT_TRUE(kestrune::RegWriteString(kUser, kRunValue, "new"));  // the fallback of autostart
}

}  // namespace
