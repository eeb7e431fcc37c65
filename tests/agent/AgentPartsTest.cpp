// The agent's building blocks, in-process: addresses, names, limits, flag files, result files,
// folders.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "agent/AgentFiles.h"
#include "agent/Download.h"
#include "agent/Pellmark.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

TEST(AgentAddress, OnlyHttpAndHttpsInAnyLetterCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://example.org/x/", "http://example.org/x/"},
        {"HTTP://example.org/x/", "HTTP://example.org/x/"},
        {"https://example.org/x/", "https://example.org/x/"},
        {"HtTpS://example.org/x/", "HtTpS://example.org/x/"},
        {"example.org/x/", "http://example.org/x/"},
        {"example.org/a://b", "http://example.org/a://b"},
        {"ftp://example.org/", ""},
        {"file:///etc/", ""},
        {"gopher+x://host/", ""},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(pellmark::NormaliseUrl(url), expected) << url;
    }
}

TEST(AgentAddress, PrefixIsPercentEncoded) {
    EXPECT_EQ(pellmark::PercentEncode("Prog_1.2-beta~"), "Prog_1.2-beta~");
    EXPECT_EQ(pellmark::PercentEncode("My Prog?#&%"), "My%20Prog%3F%23%26%25");
    EXPECT_EQ(pellmark::PercentEncode("Про"), "%D0%9F%D1%80%D0%BE");
    EXPECT_EQ(pellmark::PercentEncode(std::string("a\0b", 3)), "a%00b");
}

TEST(AgentNames, PrefixesAndProductFolders) {
    struct Case {
        std::string name;
        bool prefix;
        bool product;
    };
    const Case cases[] = {
        {"Prog_1.2", true, true},
        {"My Prog 1.2", true, true},
        {"Программа_1.0", true, true},
        {"KV.Kestrune\\Prog", false, true},
        {"KV.Kestrune/Prog", false, true},
        {"..", false, false},
        {"a..b", false, true},
        {"KV.Kestrune\\..", false, false},
        {"./x", false, false},
        {"a\tb", false, false},
        {"a\x7f", false, false},
        {std::string("a\0b", 3), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pellmark::IsSafeFilePrefix(c.name), c.prefix) << c.name;
        EXPECT_EQ(pellmark::IsSafeProductFolder(c.name), c.product) << c.name;
    }
}

TEST(AgentLimits, TextOverridesOnlyWhatItNamesWell) {
    const pellmark::Limits defaults = pellmark::LimitsFromText("");
    EXPECT_EQ(defaults.connectSeconds, 15);
    EXPECT_EQ(defaults.stallSeconds, 30);
    EXPECT_EQ(defaults.runSeconds, 120);
    EXPECT_EQ(defaults.maxBodyBytes, 8u << 20);
    const auto limits = pellmark::LimitsFromText("connect=3,stall=x,run=0,size=1000,bogus=5,stall");
    EXPECT_EQ(limits.connectSeconds, 3);
    EXPECT_EQ(limits.stallSeconds, defaults.stallSeconds);
    EXPECT_EQ(limits.runSeconds, defaults.runSeconds);
    EXPECT_EQ(limits.maxBodyBytes, 1000u);
}

TEST(AgentFiles, FlagReplacesWhateverStandsAtItsName) {
    testsupport::ScratchFolder scratch;
    const std::string target = scratch / "target";
    const std::string flag = scratch / "Prog_CheckReady";
    testsupport::WriteFile(target, "precious");
    fs::create_symlink(target, flag);

    ASSERT_TRUE(pellmark::CreateEmptyFlag(flag));
    EXPECT_FALSE(fs::is_symlink(flag));
    EXPECT_EQ(fs::file_size(flag), 0u);
    EXPECT_EQ(testsupport::ReadFile(target), "precious");

    testsupport::WriteFile(flag, "stale");
    ASSERT_TRUE(pellmark::CreateEmptyFlag(flag));
    EXPECT_EQ(fs::file_size(flag), 0u);

    EXPECT_FALSE(pellmark::CreateEmptyFlag(scratch / "missing/folder/flag"));
}

TEST(AgentFiles, ResultIsTheBodyAndALineEnd) {
    testsupport::ScratchFolder scratch;
    const std::string body("line\0with NUL", 13);
    ASSERT_TRUE(pellmark::WriteResultFile(scratch / "r.txt", "r", body));
    EXPECT_EQ(testsupport::ReadFile(scratch / "r.txt"), body + "\r\n");
    EXPECT_FALSE(pellmark::WriteResultFile(scratch / "missing/r.txt", "r", body));
    EXPECT_EQ(testsupport::ReadFile(scratch / "missing/r.txt"), "");
    // An empty body is stored as the line end alone.
    ASSERT_TRUE(pellmark::WriteResultFile(scratch / "empty.txt", "empty", ""));
    EXPECT_EQ(testsupport::ReadFile(scratch / "empty.txt"), "\r\n");
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Temporary = pellmark::ResultFile::Temporary;

TEST(AgentResultFile, AppearsOnlyWhenCommittedInEitherKindOfTemporary) {
    for (const Temporary kind : {Temporary::UnnamedWherePossible, Temporary::Named}) {
        SCOPED_TRACE(kind == Temporary::Named ? "named" : "unnamed");
        testsupport::ScratchFolder scratch;
        const std::string target = scratch / "Prog_CNVTrue.txt";
        testsupport::WriteFile(target, "old\r\n");

        {
            pellmark::ResultFile file(target, "Prog", kind);
            ASSERT_TRUE(file.Open());
            ASSERT_TRUE(file.Append("first "));
            ASSERT_TRUE(file.Append(std::string(300000, 'x')));
            EXPECT_EQ(testsupport::ReadFile(target), "old\r\n") << "the old file stays while the new one is written";
            if (kind == Temporary::Named) {
                const auto names = Entries(scratch.path());
                ASSERT_EQ(names.size(), 2u);
                EXPECT_EQ(names[0].rfind(pellmark::TemporaryTag("Prog"), 0), 0u) << names[0];
                EXPECT_EQ(names[0].size(), 18u);
            }
            ASSERT_TRUE(file.Commit());
        }
        EXPECT_EQ(testsupport::ReadFile(target), "first " + std::string(300000, 'x') + "\r\n");
        EXPECT_EQ(Entries(scratch.path()), std::vector<std::string>{"Prog_CNVTrue.txt"});

        // Discarded, or dropped without a commit: the file stays as it was and nothing is left.
        {
            pellmark::ResultFile file(target, "Prog", kind);
            ASSERT_TRUE(file.Open());
            ASSERT_TRUE(file.Append("discarded"));
            file.Discard();
            EXPECT_FALSE(file.Commit());
        }
        {
            pellmark::ResultFile file(target, "Prog", kind);
            ASSERT_TRUE(file.Open());
            ASSERT_TRUE(file.Append("dropped"));
        }
        EXPECT_EQ(testsupport::ReadFile(target), "first " + std::string(300000, 'x') + "\r\n");
        EXPECT_EQ(Entries(scratch.path()), std::vector<std::string>{"Prog_CNVTrue.txt"});
    }
}

TEST(AgentResultFile, EveryLegalNameCanBeWritten) {
    // The longest result name a file system takes (255 bytes): the temporary name does not grow
    // with it.
    const std::string prefix(240, 'p');
    for (const Temporary kind : {Temporary::UnnamedWherePossible, Temporary::Named}) {
        testsupport::ScratchFolder scratch;
        const std::string target = scratch / (prefix + "_CNVTrueEng.txt");
        pellmark::ResultFile file(target, prefix, kind);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Append("body"));
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(testsupport::ReadFile(target), "body\r\n");
        EXPECT_EQ(Entries(scratch.path()).size(), 1u);
    }
}

TEST(AgentResultFile, ARunRemovesOnlyItsOwnPrefixsOldTemporaries) {
    testsupport::ScratchFolder scratch;
    const std::string own = pellmark::TemporaryTag("Prog_1.2");
    const std::string other = pellmark::TemporaryTag("Messages");
    ASSERT_NE(own, other);
    ASSERT_EQ(own, pellmark::TemporaryTag("Prog_1.2"));
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    struct Case {
        std::string name;
        bool aged;
        bool removed;
    };
    const Case cases[] = {
        {own + "aB3dE6", true, true},
        {own + "fresh1", false, false},  // may belong to an agent that is still running
        {other + "aB3dE6", true, false},
        {own + "toolong7", true, false},
        {own + "short", true, false},
        {"Prog_1.2.ini", true, false},
        {"x" + own.substr(1) + "aB3dE6", true, false},
    };
    for (const Case& c : cases) {
        testsupport::WriteFile(scratch / c.name, "partial");
        if (c.aged) fs::last_write_time(scratch / c.name, old);
    }
    fs::create_directory(scratch / (own + "folder"));
    fs::last_write_time(scratch / (own + "folder"), old);

    pellmark::RemoveStaleTemporaries(scratch.path(), "Prog_1.2", 120);

    for (const Case& c : cases) EXPECT_EQ(fs::exists(scratch / c.name), !c.removed) << c.name;
    EXPECT_TRUE(fs::is_directory(scratch / (own + "folder")));
}

TEST(AgentFiles, FirstLineOfAFileIsReadPastItsBuffer) {
    testsupport::ScratchFolder scratch;
    const std::string line(10000, 'm');
    testsupport::WriteFile(scratch / "mark", line + "\r\nsecond");
    EXPECT_EQ(pellmark::FirstLineOfFile(scratch / "mark"), line);
    testsupport::WriteFile(scratch / "bare", "bare");
    EXPECT_EQ(pellmark::FirstLineOfFile(scratch / "bare"), "bare");
    EXPECT_EQ(pellmark::FirstLineOfFile(scratch / "missing"), "");
}

TEST(AgentFiles, FirstLineEndsAtCrOrLf) {
    EXPECT_EQ(pellmark::FirstLine("a\r\nb"), "a");
    EXPECT_EQ(pellmark::FirstLine("a\rb"), "a");
    EXPECT_EQ(pellmark::FirstLine("a\nb"), "a");
    EXPECT_EQ(pellmark::FirstLine("abc"), "abc");
    EXPECT_EQ(pellmark::FirstLine("\r\nb"), "");
}

TEST(AgentFolders, TempIsReadAnewAndHighIndexesAreEmpty) {
    testsupport::IsolatedHome home;
    testsupport::ScopedEnv env;
    env.Set("TEMP", "/first");
    EXPECT_EQ(pellmark::GetSpecialFolder(1), "/first");
    env.Set("TEMP", "/second");
    EXPECT_EQ(pellmark::GetSpecialFolder(1), "/second");
    EXPECT_EQ(pellmark::GetSpecialFolder(10), "");
    EXPECT_EQ(pellmark::GetSpecialFolder(-1), "");
}

TEST(AgentFolders, TheResultFolderNeedsTheProgramsOwnPath) {
    testsupport::IsolatedHome home;
    pellmark::Parameters folderMode{"KV.Kestrune", "Prog", "http://127.0.0.1:1/", "-", ""};
    pellmark::Parameters appDataMode = folderMode;
    appDataMode.locationWord = "AppData";
    struct Case {
        const pellmark::Parameters* parameters;
        std::string executable;
        std::string folder;  // empty: refused
    };
    const Case cases[] = {
        {&folderMode, "/opt/kestrune/Resource/Pellmark", "/opt/kestrune/Resource\\..\\Settings\\"},
        {&folderMode, "", ""},
        {&folderMode, "Pellmark", ""},
        {&folderMode, "Resource/Pellmark", ""},
        {&folderMode, "/Pellmark", ""},
        {&appDataMode, "", home.appData() + "\\KV.Kestrune"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pellmark::ResultFolder(*c.parameters, c.executable), c.folder) << c.executable;
    }
}

TEST(AgentFolders, AnUnknownProgramPathIsRefusedBeforeAnyFileIsTouched) {
    testsupport::IsolatedHome home;
    const pellmark::Parameters parameters{"KV.Kestrune", "Prog", "http://127.0.0.1:1/", "AutoComponents", ""};
    // Checked first, so that a regression cannot make this test write to the root's folder.
    ASSERT_EQ(pellmark::ResultFolder(parameters, ""), "");
    testsupport::WriteFile(home.temp() + "/Prog_CAC_Ready", "");

    EXPECT_EQ(pellmark::RunAgent(parameters, ""), pellmark::kExitRefused);
    EXPECT_TRUE(fs::exists(home.temp() + "/Prog_CAC_Ready")) << "the old flag is not even deleted";
}

}  // namespace
