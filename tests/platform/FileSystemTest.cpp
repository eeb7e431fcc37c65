#include <gtest/gtest.h>

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

}  // namespace
