// The reader of the agent's result files, on a table of files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "checks/AgentResults.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune;

TEST(AgentResultsTest, TableOfFiles) {
    testsupport::ScratchFolder scratch;
    struct Case {
        const char* what;
        std::string bytes;
        ResultState state;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::string cyrillic1251 = "\xc2\xe5\xf0\xf1\xe8\xff";  // "Версия" in Windows-1251
    const std::string cyrillicUtf8 = "\xd0\x92\xd0\xb5\xd1\x80\xd1\x81\xd0\xb8\xd1\x8f";
    const Case cases[] = {
        {"description with CR LF",
         "2.0\r\n01.02.2026\r\nhttp://h/\r\n1536\r\nfix\r\n",
         ResultState::Read,
         "2.0\r\n01.02.2026\r\nhttp://h/\r\n1536\r\nfix",
         {"2.0", "01.02.2026", "http://h/", "1536", "fix"}},
        {"LF lines", "2.0\n1.1\nu\n5\n\r\n", ResultState::Read, "2.0\n1.1\nu\n5\n", {"2.0", "1.1", "u", "5"}},
        {"CR lines", "a\rb\r\r\n", ResultState::Read, "a\rb\r", {"a", "b"}},
        {"empty lines kept", "a\r\n\r\nb\r\n", ResultState::Read, "a\r\n\r\nb", {"a", "", "b"}},
        {"only the agent's CR LF", "\r\n", ResultState::Read, "", {}},
        {"empty file", "", ResultState::Cut, "", {}},
        {"no closing line end", "a\r\nb", ResultState::Cut, "", {}},
        {"UTF-8", cyrillicUtf8 + "\r\n", ResultState::Read, cyrillicUtf8, {cyrillicUtf8}},
        {"UTF-8 with its mark",
         "\xef\xbb\xbf" + cyrillicUtf8 + "\r\n",
         ResultState::Read,
         cyrillicUtf8,
         {cyrillicUtf8}},
        {"Windows-1251", cyrillic1251 + "\r\n", ResultState::Read, cyrillicUtf8, {cyrillicUtf8}},
        {"at the limit",
         std::string(62, 'x') + "\r\n",
         ResultState::Read,
         std::string(62, 'x'),
         {std::string(62, 'x')}},
        {"over the limit", std::string(65, 'x'), ResultState::TooLarge, "", {}},
    };
    for (const Case& c : cases) {
        const std::string path = scratch / "Prog_CNVTrue.txt";
        testsupport::WriteFile(path, c.bytes);
        const AgentResultText result = ReadAgentResult(path, 64);
        EXPECT_EQ(result.state, c.state) << c.what;
        EXPECT_EQ(result.text, c.text) << c.what;
        EXPECT_EQ(ResultLines(result.text), c.lines) << c.what;
    }
}

// The agent does not flush its small results: after a crash of the machine a result may stand
// empty or cut at its name. Neither is taken as the text it was meant to be.
TEST(AgentResultsTest, ACutResultIsNoAnswer) {
    testsupport::ScratchFolder scratch;
    const std::string path = scratch / "Prog_CNVTrue.txt";
    const std::string whole = "2.0\r\n01.02.2026\r\nhttp://h/\r\n1536\r\nfix\r\n";
    for (const std::size_t length : {std::size_t{0}, std::size_t{2}, std::size_t{4}, whole.size() - 1}) {
        const std::string cut = whole.substr(0, length);
        testsupport::WriteFile(path, cut);
        const AgentResultText result = ReadAgentResult(path);
        EXPECT_EQ(result.state, ResultState::Cut) << '"' << cut << '"';
        EXPECT_FALSE(result.read()) << '"' << cut << '"';
        EXPECT_TRUE(result.text.empty()) << '"' << cut << '"';
        EXPECT_FALSE(ResultHasBody(path)) << '"' << cut << '"';
    }
    testsupport::WriteFile(path, whole);
    EXPECT_TRUE(ReadAgentResult(path).read());
    EXPECT_TRUE(ResultHasBody(path));
}

TEST(AgentResultsTest, OnlyARegularFileIsRead) {
    testsupport::ScratchFolder scratch;
    EXPECT_EQ(ReadAgentResult(scratch / "missing").state, ResultState::Missing);
    platform::CreateDirectories(scratch / "folder");
    EXPECT_EQ(ReadAgentResult(scratch / "folder").state, ResultState::Unreadable);
    // A pipe at the name: the reader must neither wait for a writer nor take it.
    ASSERT_EQ(mkfifo((scratch / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadAgentResult(scratch / "pipe").state, ResultState::Unreadable);
    EXPECT_FALSE(ResultHasBody(scratch / "pipe"));
    EXPECT_EQ(ReadAgentResult("/dev/zero").state, ResultState::Unreadable);
}

TEST(AgentResultsTest, BodyAndFlags) {
    testsupport::ScratchFolder scratch;
    const struct {
        const char* bytes;
        bool body;
    } cases[] = {{"", false},     {"\r\n", false},  {"\n", false},      {"x", false},
                 {"x\r\n", true}, {"\n\r\n", true}, {"\r\n\r\n", true}, {"x\r\nx\r", false}};
    for (const auto& c : cases) {
        testsupport::WriteFile(scratch / "r.txt", c.bytes);
        EXPECT_EQ(ResultHasBody(scratch / "r.txt"), c.body) << '"' << c.bytes << '"';
    }
    EXPECT_FALSE(ResultHasBody(scratch / "missing"));
    platform::CreateDirectories(scratch / "dir");
    EXPECT_FALSE(ResultHasBody(scratch / "dir"));

    EXPECT_FALSE(AgentFlagPresent(scratch / "P_CheckReady"));
    testsupport::WriteFile(scratch / "P_CheckReady", "");
    EXPECT_TRUE(AgentFlagPresent(scratch / "P_CheckReady"));
    RemoveAgentFile(scratch / "P_CheckReady");
    EXPECT_FALSE(AgentFlagPresent(scratch / "P_CheckReady"));
    RemoveAgentFile(scratch / "P_CheckReady");  // missing: no failure

    // A link at a flag's name is removed itself; its target stays.
    testsupport::WriteFile(scratch / "target", "keep");
    ASSERT_EQ(symlink((scratch / "target").c_str(), (scratch / "P_CNVFalse").c_str()), 0);
    EXPECT_TRUE(AgentFlagPresent(scratch / "P_CNVFalse"));
    RemoveAgentFile(scratch / "P_CNVFalse");
    EXPECT_FALSE(AgentFlagPresent(scratch / "P_CNVFalse"));
    EXPECT_EQ(testsupport::ReadFile(scratch / "target"), "keep");
}

}  // namespace
