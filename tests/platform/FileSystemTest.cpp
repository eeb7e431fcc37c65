#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

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

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

std::vector<std::string> TemporariesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : platform::ListDirectory(folder))
        if (platform::IsWriteTemporaryName(name)) names.push_back(name);
    return names;
}

// Whether the folder's file system has files without a name (O_TMPFILE): where it has none, as
// on some network and overlay file systems, the writer names its temporary from the start.
bool UnnamedFilesIn(const std::string& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    close(fd);
    return access("/proc/self/fd", X_OK) == 0;
}

void Age(const std::string& path) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(WriteFileAtomic, TheReplacedFileKeepsItsMode) {
    testsupport::ScratchFolder scratch;
    for (const mode_t mode : {0600, 0640, 0604, 0660, 0400}) {
        SCOPED_TRACE(mode);
        const std::string target = scratch / ("settings" + std::to_string(mode) + ".ini");
        ASSERT_TRUE(platform::WriteFileAtomic(target, "old"));
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        ASSERT_TRUE(platform::WriteFileAtomic(target, "new"));
        EXPECT_EQ(testsupport::ReadFile(target), "new");
        EXPECT_EQ(ModeOf(target), mode);
    }
    // A new file gets what the umask leaves of 0666; a mode given wins over both.
    const mode_t umaskNow = umask(022);
    ASSERT_TRUE(platform::WriteFileAtomic(scratch / "new.ini", "x"));
    EXPECT_EQ(ModeOf(scratch / "new.ini"), 0644u);
    ASSERT_TRUE(platform::WriteFileAtomic(scratch / "new.ini", "y", 0664));
    EXPECT_EQ(ModeOf(scratch / "new.ini"), 0664u);
    umask(umaskNow);
}

// The writer is killed at its step: the hook kills the process it runs in.
platform::ReplacementStep g_killAt = platform::ReplacementStep::Flushed;
void KillAtStep(platform::ReplacementStep step) {
    if (step == g_killAt) raise(SIGKILL);
}

// A write killed anywhere between its open and its rename leaves the old file whole. With an
// unnamed temporary only the moment between its naming and the rename leaves a file behind, and
// a later write into the folder clears away what is old enough to be no running writer's.
TEST(WriteFileAtomic, AKilledWriteLeavesNothingPastTheNextWrite) {
    using Kind = platform::FileReplacement::Temporary;
    using Step = platform::ReplacementStep;
    const struct {
        const char* label;
        Kind kind;
        Step step;
        bool leavesTemporary;
    } cases[] = {
        {"unnamed, flushed", Kind::UnnamedWherePossible, Step::Flushed, false},
        {"unnamed, named", Kind::UnnamedWherePossible, Step::Named, true},
        {"named, flushed", Kind::Named, Step::Flushed, true},
        {"named, named", Kind::Named, Step::Named, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::ScratchFolder scratch;
        const testsupport::ScopedHook<std::vector<std::string>> own(platform::SetOwnFolders, {scratch.path()});
        const std::string target = scratch / "ULangSettings.ini";
        // Made by hand: every write into the folder below is a run's first.
        testsupport::WriteFile(target, "old");
        ASSERT_EQ(chmod(target.c_str(), 0600), 0);
        const pid_t writer = fork();
        if (writer == 0) {
            g_killAt = c.step;
            platform::SetReplacementHookForTesting(KillAtStep);
            platform::FileReplacement file(target, c.kind);
            if (!file.Open() || !file.Append(std::string(100000, 'n'))) _exit(2);
            [[maybe_unused]] const platform::IoResult killedInside = file.Commit();
            _exit(3);  // not killed
        }
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(testsupport::ReadFile(target), "old");
        const std::vector<std::string> left = TemporariesIn(scratch.path());
        const bool named = c.kind == Kind::Named || !UnnamedFilesIn(scratch.path());
        ASSERT_EQ(left.size(), c.leavesTemporary || named ? 1u : 0u);
        if (left.empty()) continue;
        EXPECT_EQ(left[0].rfind(".ULangSettings.ini." + std::to_string(writer) + ".", 0), 0u) << left[0];
        EXPECT_EQ(ModeOf(scratch / left[0]), 0600u) << "the bytes were never open to others";

        // The next run's first write into the folder: a temporary of a moment ago may belong to a
        // writer that still runs, one of an hour ago cannot.
        auto nextRun = [&] {
            const pid_t next = fork();
            if (next == 0) _exit(platform::WriteFileAtomic(scratch / "Kestrune.ini", "k") ? 0 : 1);
            int code = 0;
            return waitpid(next, &code, 0) == next && WIFEXITED(code) && WEXITSTATUS(code) == 0;
        };
        ASSERT_TRUE(nextRun());
        EXPECT_EQ(TemporariesIn(scratch.path()), left);
        Age(scratch / left[0]);
        ASSERT_TRUE(nextRun());
        EXPECT_TRUE(TemporariesIn(scratch.path()).empty());
        EXPECT_EQ(testsupport::ReadFile(target), "old");
    }
}

TEST(WriteFileAtomic, RemovesOnlyItsOwnOldTemporaries) {
    testsupport::ScratchFolder scratch;
    const struct {
        const char* name;
        bool removed;
    } cases[] = {
        {".ULangSettings.ini.2972.3891768319.tmp", true},
        {".Kestrune.ini.1.0.tmp", true},
        {".a.b.12.34.tmp", true},
        {".ULangSettings.ini.2972.tmp", false},       // one number only
        {"ULangSettings.ini.2972.38917.tmp", false},  // not hidden
        {"..2972.38917.tmp", false},                  // no name
        {".x.29a2.38917.tmp", false},                 // no process id
        {".x.2972.38917.temp", false},
        {".x.2972.38917.tmp~", false},
        {".x.2972.38917683190.tmp", false},  // more digits than any of its numbers has
        {"ULangSettings.ini", false},
    };
    for (const auto& c : cases) {
        testsupport::WriteFile(scratch / c.name, "partial");
        Age(scratch / c.name);
    }
    // Only plain files of this user: no folder, no link, nothing of another user.
    const std::string folder = scratch / ".Folder.ini.1.2.tmp";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(symlink((scratch / "ULangSettings.ini").c_str(), (scratch / ".Link.ini.1.2.tmp").c_str()), 0);
    const std::string others = scratch / ".Other.ini.1.2.tmp";
    testsupport::WriteFile(others, "theirs");
    Age(others);
    const bool ownedByAnother = geteuid() == 0 && chown(others.c_str(), 65534, 65534) == 0;

    // A folder that the program has not named its own is another program's as much as ours.
    platform::RemoveStaleWriteTemporaries(scratch.path(), platform::kStaleWriteTemporaryAge);
    for (const auto& c : cases) EXPECT_TRUE(testsupport::FileExists(scratch / c.name)) << c.name;

    const testsupport::ScopedHook<std::vector<std::string>> own(platform::SetOwnFolders,
                                                                {scratch / "elsewhere", scratch.path() + "/./"});
    platform::RemoveStaleWriteTemporaries(scratch.path(), platform::kStaleWriteTemporaryAge);

    for (const auto& c : cases) EXPECT_EQ(testsupport::FileExists(scratch / c.name), !c.removed) << c.name;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch / ".Link.ini.1.2.tmp"));
    if (ownedByAnother) {
        EXPECT_TRUE(testsupport::FileExists(others));
    }
}

// A folder that other programs write into too keeps their files, even those of our form.
TEST(WriteFileAtomic, AWriteIntoASharedFolderRemovesNothingElse) {
    testsupport::ScratchFolder scratch;
    const std::string theirs = scratch / ".other.desktop.12.34.tmp";
    testsupport::WriteFile(theirs, "theirs");
    Age(theirs);
    ASSERT_TRUE(platform::WriteFileAtomicInSharedFolder(scratch / "KV.Kestrune.desktop", "entry"));
    EXPECT_EQ(testsupport::ReadFile(scratch / "KV.Kestrune.desktop"), "entry");
    EXPECT_EQ(testsupport::ReadFile(theirs), "theirs");
}

TEST(WriteFileAtomic, TheLongestNameCanBeWrittenInEitherKindOfTemporary) {
    testsupport::ScratchFolder scratch;
    const std::string target = scratch / std::string(255, 'n');
    for (const auto kind :
         {platform::FileReplacement::Temporary::UnnamedWherePossible, platform::FileReplacement::Temporary::Named}) {
        platform::FileReplacement file(target, kind);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Append("long"));
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(testsupport::ReadFile(target), "long");
        EXPECT_EQ(platform::ListDirectory(scratch.path()).size(), 1u);
    }
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
        // A file read whole or in part is named by its identity; nothing else has one.
        EXPECT_EQ(read.identity.has_value(), c.status == Status::Read);
        EXPECT_EQ(read.identity, platform::RegularFileIdentity(path));
    }
}

// The identity of a written file is the one a later look at it finds, and every way of changing
// the file changes it: a replacement (another inode), a rewrite in place (another size or time).
TEST(FileIdentity, AWriteNamesTheFileItPutInPlaceAndEveryChangeShows) {
    testsupport::ScratchFolder scratch;
    const std::string target = scratch / "store";
    std::optional<platform::FileIdentity> written;
    ASSERT_TRUE(platform::WriteFileAtomic(target, "first", std::nullopt, &written));
    ASSERT_TRUE(written);
    EXPECT_EQ(platform::RegularFileIdentity(target), written);
    EXPECT_EQ(platform::ReadRegularFile(target, 100).identity, written);

    std::optional<platform::FileIdentity> replaced;
    ASSERT_TRUE(platform::WriteFileAtomic(target, "first", std::nullopt, &replaced));
    ASSERT_TRUE(replaced);
    EXPECT_NE(replaced->inode, written->inode) << "the same bytes again are another file";
    EXPECT_EQ(platform::RegularFileIdentity(target), replaced);

    testsupport::WriteFile(target, "first, longer");
    EXPECT_NE(platform::RegularFileIdentity(target), replaced);

    std::optional<platform::FileIdentity> failed = written;
    EXPECT_FALSE(platform::WriteFileAtomic(scratch / "missing/store", "x", std::nullopt, &failed));
    EXPECT_FALSE(failed) << "a failed write names no file";
    EXPECT_FALSE(platform::RegularFileIdentity(scratch.path())) << "a folder has no identity";
}

// Whatever stands at the name goes, a link itself and not its target; nothing there is no failure.
TEST(RemoveFileIfPresent, RemovesTheEntryAndNeverItsTarget) {
    testsupport::ScratchFolder scratch;
    testsupport::WriteFile(scratch / "target", "keep");
    testsupport::WriteFile(scratch / "plain", "x");
    ASSERT_EQ(symlink((scratch / "target").c_str(), (scratch / "link").c_str()), 0);
    ASSERT_EQ(symlink((scratch / "nowhere").c_str(), (scratch / "dangling").c_str()), 0);
    for (const char* name : {"plain", "link", "dangling", "missing"}) {
        platform::RemoveFileIfPresent(scratch / name);
        EXPECT_FALSE(platform::FileAgeReadable(scratch / name)) << name;
    }
    EXPECT_EQ(testsupport::ReadFile(scratch / "target"), "keep");
}

}  // namespace

// A folder that cannot be opened is told from an empty one, by its path and by its descriptor.
TEST(ListDirectory, AFolderThatCannotBeOpenedIsNoEmptyFolder) {
    testsupport::ScratchFolder scratch;
    std::filesystem::create_directory(scratch / "empty");
    std::filesystem::create_directory(scratch / "full");
    testsupport::WriteFile(scratch / "full/b", "");
    testsupport::WriteFile(scratch / "full/a", "");
    testsupport::WriteFile(scratch / "plain", "x");
    struct Case {
        std::string folder;
        std::optional<std::vector<std::string>> names;
    } const cases[] = {
        {"empty", std::vector<std::string>{}},
        {"full", std::vector<std::string>{"a", "b"}},
        {"plain", std::nullopt},
        {"missing", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(platform::ListDirectoryIfOpened(scratch / c.folder), c.names);
        const int fd = open((scratch / c.folder).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;  // nothing to hold open
        EXPECT_EQ(platform::ListFolderOfDescriptor(fd), c.names);
        EXPECT_EQ(platform::ListFolderOfDescriptor(fd), c.names) << "the descriptor stays usable";
        EXPECT_EQ(close(fd), 0) << "the descriptor stays the caller's";
    }
}

// The end of a file is read only from a regular file longer than the end; nothing else is opened.
TEST(ReadRegularFileEnd, ReadsTheEndOfAPlainFileOnly) {
    testsupport::ScratchFolder scratch;
    testsupport::WriteFile(scratch / "whole", "line\r\n");
    testsupport::WriteFile(scratch / "short", "\r\n");
    std::filesystem::create_directory(scratch / "folder");
    ASSERT_EQ(mkfifo((scratch / "pipe").c_str(), 0600), 0);
    struct Case {
        std::string name;
        std::optional<std::string> end;
    } const cases[] = {
        {"whole", std::string("\r\n")}, {"short", std::nullopt},   {"folder", std::nullopt},
        {"pipe", std::nullopt},         {"missing", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::ReadRegularFileEnd(scratch / c.name, 2), c.end) << c.name;
}

// The probe leaves nothing at its name, takes a pipe's place without waiting on it, and fails
// where no file can be made.
TEST(ProbeFileCreation, MakesAFileAndLeavesNothing) {
    testsupport::ScratchFolder scratch;
    testsupport::WriteFile(scratch / "plain", "x");
    ASSERT_EQ(mkfifo((scratch / "pipe").c_str(), 0600), 0);
    struct Case {
        std::string name;
        bool made;
    } const cases[] = {
        {"probe.ini", true},
        {"pipe", true},
        {"plain/inside.ini", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::ProbeFileCreation(scratch / c.name), c.made) << c.name;
        EXPECT_FALSE(platform::FileAgeReadable(scratch / c.name)) << c.name;
    }
}

namespace {

// A lock held elsewhere, in this process or in a child that inherited it, is found and is not had
// a second time; it goes with its last holder.
TEST(FileLock, IsHadOnceAndGoesWithItsLastHolder) {
    testsupport::ScratchFolder scratch;
    const std::string path = scratch / "run.lock";
    const std::string go = scratch / "go";
    EXPECT_FALSE(platform::IsFileLocked(path)) << "a missing lock file is no lock";
    auto first = std::make_unique<platform::FileLock>(path, 0);
    ASSERT_TRUE(first->held());
    EXPECT_TRUE(platform::IsFileLocked(path));
    EXPECT_EQ(platform::FileLock(path, 50).state(), platform::FileLock::State::Busy) << "waited for, then given up";
    EXPECT_TRUE(first->held());

    // Started while the lock may be inherited, a child holds it past its first holder; one
    // started afterwards does not.
    // A program, not a bare fork: close-on-exec acts at the exec, so each child says when it has
    // become the program (until then a forked child still holds every descriptor).
    testsupport::ScratchFolder markers;
    const auto startChild = [&](const std::string& name) {
        const std::string script = "touch '" + markers / name + "'; while [ ! -e '" + go + "' ]; do sleep 0.01; done";
        const pid_t child = fork();
        if (child == 0) {
            execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    };
    first->SetInheritable(true);
    const pid_t heir = startChild("heir");
    first->SetInheritable(false);
    const pid_t stranger = startChild("stranger");
    ASSERT_GT(heir, 0);
    ASSERT_GT(stranger, 0);
    const auto release = [&](pid_t child) {
        int status = 0;
        waitpid(child, &status, 0);
    };
    for (const char* name : {"heir", "stranger"})
        ASSERT_TRUE(testsupport::WaitFor(std::string("the ") + name + " to run",
                                         [&] { return platform::FileAgeReadable(markers / name); }));
    first.reset();
    EXPECT_TRUE(platform::IsFileLocked(path)) << "the child that inherited it holds it";
    testsupport::WriteFile(go, "");
    release(heir);
    EXPECT_FALSE(platform::IsFileLocked(path)) << "no holder is left; the other child never had it";
    EXPECT_TRUE(platform::FileLock(path, 0).held());
    release(stranger);
    EXPECT_EQ(platform::ListDirectory(scratch.path()), (std::vector<std::string>{"go", "run.lock"}))
        << "the lock file stays";
}

TEST(FileLock, OnlyAPlainFileIsALockFile) {
    testsupport::ScratchFolder scratch;
    std::filesystem::create_directory(scratch / "folder");
    std::filesystem::create_symlink(scratch / "target", scratch / "link");
    const struct {
        const char* name;
        platform::FileLock::State state;
    } cases[] = {
        {"folder", platform::FileLock::State::NotAFile},
        {"link", platform::FileLock::State::NotAFile},
        {"missing-folder/run.lock", platform::FileLock::State::Failed},
    };
    for (const auto& c : cases) {
        const platform::FileLock lock(scratch / c.name, 0);
        EXPECT_EQ(lock.state(), c.state) << c.name;
        EXPECT_FALSE(platform::IsFileLocked(scratch / c.name)) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch / "target")) << "a link is never followed";
}

}  // namespace
