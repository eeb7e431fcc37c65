#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/RunningCopies.h"
#include "tests/support/TestSupport.h"

namespace {

// The folder is the caller's: mutexes and windows in one folder never meet those of another,
// and a list answers only the entries that begin with its tag.
TEST(RunningCopies, MeetOnlyInTheirFolderAndUnderTheirTag) {
    testsupport::ScratchFolder scratch;
    const std::string first = scratch / "first", second = scratch / "second";
    for (const std::string& folder : {first, second}) std::filesystem::create_directories(folder + "/copies");

    bool existed = true;
    const auto held = platform::OpenNamedMutex(first, "Some name", existed);
    EXPECT_FALSE(existed) << "a new mutex";
    EXPECT_EQ(held->path(), first + "/Some%20name.mutex");
    const auto again = platform::OpenNamedMutex(first, "Some name", existed);
    EXPECT_TRUE(existed) << "a second handle finds the first";
    const auto elsewhere = platform::OpenNamedMutex(second, "Some name", existed);
    EXPECT_FALSE(existed) << "another folder holds another mutex";
    EXPECT_THROW(platform::OpenNamedMutex("", "Some name", existed), std::runtime_error);

    auto window = platform::PublishRunningCopy(first, "tag A", "TForm", "1.0");
    const auto other = platform::PublishRunningCopy(first, "tag B", "TForm", "2.0");
    ASSERT_TRUE(window && other);
    EXPECT_EQ(platform::PublishRunningCopy("", "tag A", "TForm", "1.0"), nullptr);
    const std::vector<platform::RunningCopy> copies = platform::ListRunningCopies(first, "tag A");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].path, window->path());
    EXPECT_EQ(copies[0].className, "TForm");
    EXPECT_EQ(copies[0].version, "1.0");
    EXPECT_TRUE(platform::ListRunningCopies(second, "tag A").empty());

    platform::PostRunningCopyMessage(copies[0], 1025);
    platform::PostRunningCopyMessage(copies[0], 1027);
    EXPECT_EQ(window->TakeMessages(), (std::vector<int>{1025, 1027}));
    EXPECT_TRUE(window->TakeMessages().empty()) << "each message is answered once";

    window.reset();
    EXPECT_TRUE(platform::ListRunningCopies(first, "tag A").empty()) << "a freed window leaves the list";
    EXPECT_EQ(platform::ListRunningCopies(first, "tag B").size(), 1u);
}

}  // namespace
