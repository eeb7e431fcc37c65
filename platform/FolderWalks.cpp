#include "platform/FolderWalks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {
namespace {

// Removes an entry of a folder; a folder that refuses to let go of an entry is opened for
// writing once (the read-only attribute of the original system has no other meaning here).
bool RemoveEntry(int folderFd, const std::string& name, int flags) {
    if (unlinkat(folderFd, name.c_str(), flags) == 0) return true;
    if (errno != EACCES && errno != EPERM) return false;
    struct stat st {};
    if (fstat(folderFd, &st) != 0 || fchmod(folderFd, st.st_mode | S_IWUSR | S_IXUSR) != 0) return false;
    return unlinkat(folderFd, name.c_str(), flags) == 0;
}

// How many folders of a tree being deleted stay open at once: a tree of any depth is deleted
// within the descriptor limit. A folder whose descriptor was let go is opened again from the
// nearest open one above it, name by name, never through a link.
constexpr std::size_t kOpenFoldersLimit = 32;

// One folder of the tree being deleted: its entries, listed once, and how far they are done.
struct TreeLevel {
    std::string name;
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    std::vector<std::string> entries;
    std::size_t next = 0;
};

// Counts an entry that stayed, and names it with the reason while fewer than the limit are named.
void AddFailure(TreeRemoval& failures, const std::vector<TreeLevel>& levels, const std::string& name, int error) {
    if (++failures.count > kNamedRemovalFailures) return;
    std::string path;
    for (const TreeLevel& level : levels) path += level.name + "/";
    failures.named.push_back(path + name + ": " + std::strerror(error));
}

// Opens a folder entry without following a link; -1 when it is no folder or cannot be opened.
int OpenFolderAt(int parentFd, const std::string& name) {
    return openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Lets go of the descriptors of the shallowest open levels (never the first) beyond the limit.
void BoundOpenFolders(std::vector<TreeLevel>& levels) {
    std::size_t open = 0;
    for (const TreeLevel& level : levels) open += level.fd >= 0 ? 1 : 0;
    for (std::size_t i = 1; i + 1 < levels.size() && open > kOpenFoldersLimit; ++i) {
        if (levels[i].fd < 0) continue;
        close(levels[i].fd);
        levels[i].fd = -1;
        --open;
    }
}

// The descriptor of levels[index], opened again when it was let go. -1 when the folder is no
// longer the one that was listed (replaced meanwhile) or cannot be opened.
int LevelFd(std::vector<TreeLevel>& levels, std::size_t index) {
    if (levels[index].fd >= 0) return levels[index].fd;
    std::size_t open = index;
    while (levels[open].fd < 0) --open;  // the first level always stays open
    // The levels just above the one asked for stay open too: they are the next ones needed on
    // the way up. Those further up are let go again as soon as the next one is open.
    const std::size_t keepFrom = index > kOpenFoldersLimit / 2 ? index - kOpenFoldersLimit / 2 : 0;
    for (std::size_t i = open + 1; i <= index; ++i) {
        const int fd = OpenFolderAt(levels[i - 1].fd, levels[i].name);
        struct stat st {};
        const bool same = fd >= 0 && fstat(fd, &st) == 0 && st.st_dev == levels[i].dev && st.st_ino == levels[i].ino;
        if (i - 1 > open && i - 1 < keepFrom) {
            close(levels[i - 1].fd);
            levels[i - 1].fd = -1;
        }
        if (!same) {
            if (fd >= 0) close(fd);
            return -1;
        }
        levels[i].fd = fd;
    }
    BoundOpenFolders(levels);
    return levels[index].fd;
}

// Lists and enters a folder entry as a new level; false when it cannot be opened.
bool EnterFolder(std::vector<TreeLevel>& levels, int parentFd, const std::string& name, int& error) {
    const int fd = OpenFolderAt(parentFd, name);
    if (fd < 0) {
        error = errno;
        return false;
    }
    TreeLevel level;
    level.name = name;
    level.fd = fd;
    struct stat st {};
    fstat(fd, &st);
    level.dev = st.st_dev;
    level.ino = st.st_ino;
    auto entries = ListFolderOfDescriptor(fd);
    if (!entries) {
        error = errno;
        close(fd);
        return false;
    }
    level.entries = std::move(*entries);
    levels.push_back(std::move(level));
    BoundOpenFolders(levels);
    return true;
}

// Deletes the folder entry `name` of parentFd with everything in it, walking the tree without
// recursion. Every step goes through descriptors opened without following links, so nothing
// outside the tree is reached, even when an entry is replaced while the event loop runs.
TreeRemoval DeleteTree(int parentFd, const std::string& name, void (*beforeFolder)()) {
    TreeRemoval failures;
    std::vector<TreeLevel> levels;
    int error = 0;
    if (!EnterFolder(levels, parentFd, name, error)) {
        // A link goes itself; a plain file given as the folder is no folder and stays.
        struct stat st {};
        if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return failures;  // nothing there
        if (S_ISLNK(st.st_mode)) {
            if (!RemoveEntry(parentFd, name, 0)) AddFailure(failures, levels, name, errno);
        } else if (S_ISDIR(st.st_mode) && !RemoveEntry(parentFd, name, AT_REMOVEDIR)) {
            AddFailure(failures, levels, name, error);
        }
        return failures;
    }
    while (!levels.empty()) {
        const std::size_t top = levels.size() - 1;
        const int fd = LevelFd(levels, top);
        if (fd < 0) {
            // Replaced while the event loop ran: what is there now is not the listed folder.
            const std::string lost = levels[top].name;
            levels.pop_back();
            AddFailure(failures, levels, lost, ESTALE);
            continue;
        }
        TreeLevel& level = levels[top];
        if (level.next < level.entries.size()) {
            const std::string entry = level.entries[level.next++];
            struct stat st {};
            if (fstatat(fd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
            if (S_ISDIR(st.st_mode)) {
                if (beforeFolder) beforeFolder();
                // An empty folder that may not be listed can still go.
                if (!EnterFolder(levels, fd, entry, error) && !RemoveEntry(fd, entry, AT_REMOVEDIR))
                    AddFailure(failures, levels, entry, error);
            } else if (!RemoveEntry(fd, entry, 0) && errno != ENOENT) {
                AddFailure(failures, levels, entry, errno);
            }
            continue;
        }
        const std::string done = level.name;
        close(level.fd);
        levels.pop_back();
        const int above = levels.empty() ? parentFd : LevelFd(levels, levels.size() - 1);
        if (above < 0 || (!RemoveEntry(above, done, AT_REMOVEDIR) && errno != ENOENT))
            AddFailure(failures, levels, done, above < 0 ? ESTALE : errno);
    }
    return failures;
}

}  // namespace

bool CopyTreeEntry(const std::string& source, const std::string& target, bool failIfExists, std::size_t fileLimit) {
    struct stat st {};
    if (lstat(source.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) {
        if (failIfExists && FileAgeReadable(target)) return true;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = readlink(source.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(static_cast<std::size_t>(n));
        unlink(target.c_str());
        return symlink(link.c_str(), target.c_str()) == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        if (!IsDirectory(target) && mkdir(target.c_str(), 0777) != 0) return false;
        // The listing is taken before anything is copied: a target inside the source stays out.
        bool complete = true;
        const auto names = ListDirectoryIfOpened(source);
        if (!names) return false;
        for (const std::string& name : *names) {
            // A temporary that a killed write left is no part of the folder.
            if (IsWriteTemporaryName(name)) continue;
            complete = CopyTreeEntry(source + "/" + name, target + "/" + name, failIfExists, fileLimit) && complete;
        }
        return complete;
    }
    if (!S_ISREG(st.st_mode)) return false;
    if (failIfExists && FileAgeReadable(target)) return true;
    // Read as any file that someone may have replaced meanwhile: a pipe in its place is never
    // waited on, and a file beyond the limit is not copied.
    const RegularFileRead read = ReadRegularFile(source, fileLimit);
    if (read.status != RegularFileRead::Status::Read || !read.complete) return false;
    // The copy is as private as its source.
    return WriteFileAtomic(target, read.bytes, st.st_mode & 0777).ok;
}

TreeRemoval RemoveTree(const std::string& path, void (*beforeFolder)()) {
    const std::size_t slash = path.rfind('/');
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    const int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) return {};  // nothing there to delete
    const TreeRemoval failures = DeleteTree(parentFd, path.substr(slash + 1), beforeFolder);
    close(parentFd);
    return failures;
}

}  // namespace platform
