#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(NativePath, TurnsBackslashesIntoSlashes) {
    EXPECT_EQ(platform::NativePath("C:\\a/b\\c"), "C:/a/b/c");
    EXPECT_EQ(platform::NativePath(""), "");
}

TEST(WriteFileAtomic, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    testsupport::ScratchFolder scratch;
    const std::string target = scratch / "settings.ini";
    ASSERT_TRUE(platform::WriteFileAtomic(target, "old contents, longer than the new ones"));
    ASSERT_TRUE(platform::WriteFileAtomic(target, std::string("new\0bytes", 9)));
    EXPECT_EQ(testsupport::ReadFile(target), std::string("new\0bytes", 9));
    EXPECT_EQ(platform::ListDirectory(scratch.path()), std::vector<std::string>{"settings.ini"});
}

TEST(WriteFileAtomic, FailsWhereTheFolderIsAFileAndKeepsNothing) {
    testsupport::ScratchFolder scratch;
    testsupport::WriteFile(scratch / "plain", "x");
    const platform::IoResult result = platform::WriteFileAtomic(scratch / "plain/inside.ini", "y");
    EXPECT_FALSE(result);
    EXPECT_NE(result.error, 0);
    EXPECT_FALSE(result.message.empty());
}

TEST(ListDirectory, AnswersNamesSorted) {
    testsupport::ScratchFolder scratch;
    for (const char* name : {"b", "a", "c"}) testsupport::WriteFile(scratch / name, "");
    EXPECT_EQ(platform::ListDirectory(scratch.path()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(platform::ListDirectory(scratch / "missing").empty());
}

// Whatever lies at the path, the read ends at once, reads only a regular file and never more
// than asked.
TEST(ReadRegularFile, ReadsOnlyPlainFilesAndNoMoreThanAsked) {
    using Status = platform::RegularFileRead::Status;
    testsupport::ScratchFolder scratch;
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        Status status;
        std::string bytes;
        bool complete;
    };
    const std::vector<Case> cases{
        {"shorter than the limit", [](const std::string& p) { testsupport::WriteFile(p, "abc"); }, Status::Read, "abc",
         true},
        {"exactly the limit", [](const std::string& p) { testsupport::WriteFile(p, "abcdefgh"); }, Status::Read,
         "abcdefgh", true},
        {"one byte over", [](const std::string& p) { testsupport::WriteFile(p, "abcdefghi"); }, Status::Read,
         "abcdefgh", false},
        {"empty", [](const std::string& p) { testsupport::WriteFile(p, ""); }, Status::Read, "", true},
        {"missing", [](const std::string&) {}, Status::Missing, "", false},
        {"a dangling link", [](const std::string& p) { ASSERT_EQ(symlink("/nonexistent/x", p.c_str()), 0); },
         Status::Missing, "", false},
        {"a folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }, Status::Folder, "", false},
        {"a pipe without a writer", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         Status::NotAFile, "", false},
        {"a link to /dev/zero", [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); },
         Status::NotAFile, "", false},
        {"a link to a plain file",
         [&](const std::string& p) {
             testsupport::WriteFile(scratch / "target", "xyz");
             ASSERT_EQ(symlink((scratch / "target").c_str(), p.c_str()), 0);
         },
         Status::Read, "xyz", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch / ("entry" + std::to_string(n++));
        c.make(path);
        const platform::RegularFileRead read = platform::ReadRegularFile(path, 8);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.bytes, c.bytes);
        EXPECT_EQ(read.complete, c.complete);
    }
}

}  // namespace
