#include "foundation/core/FolderTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "foundation/core/Guard.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "platform/FileSystem.h"

namespace kestrune {

bool FolderRemovalFailed = false;

namespace {

FolderTreeEventHook eventHook = nullptr;

const ProgramValues folderTreeValues([] { FolderRemovalFailed = false; });

// The largest file that is copied: far beyond anything the program keeps in its folders.
constexpr std::size_t kCopyFileLimit = 64u * 1024u * 1024u;

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies one entry (a file, a link, a folder tree) to exactly the target path, never following
// links. Files are written beside their target and renamed over it.
bool CopyEntry(const std::string& source, const std::string& target, bool failIfExists) {
    struct stat st {};
    if (lstat(source.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) {
        if (failIfExists && platform::FileAgeReadable(target)) return true;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = readlink(source.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(static_cast<std::size_t>(n));
        unlink(target.c_str());
        return symlink(link.c_str(), target.c_str()) == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        if (!platform::IsDirectory(target) && mkdir(target.c_str(), 0777) != 0) return false;
        // The listing is taken before anything is copied: a target inside the source stays out.
        bool complete = true;
        const auto names = platform::ListDirectoryIfOpened(source);
        if (!names) return false;
        for (const std::string& name : *names) {
            // A temporary that a killed write left is no part of the folder.
            if (platform::IsWriteTemporaryName(name)) continue;
            complete = CopyEntry(source + "/" + name, target + "/" + name, failIfExists) && complete;
        }
        return complete;
    }
    if (!S_ISREG(st.st_mode)) return false;
    if (failIfExists && platform::FileAgeReadable(target)) return true;
    // Read as any file that someone may have replaced meanwhile: a pipe in its place is never
    // waited on, and a file beyond the limit is not copied.
    const platform::RegularFileRead read = platform::ReadRegularFile(source, kCopyFileLimit);
    if (read.status != platform::RegularFileRead::Status::Read || !read.complete) return false;
    // The copy is as private as its source.
    return platform::WriteFileAtomic(target, read.bytes, st.st_mode & 0777).ok;
}

// The shell's rule: a target that is an existing folder receives the source inside it.
// A folder is never copied into itself: the copy would go on until the path grew too long.
bool CopyInto(const std::string& source, const std::string& target, bool failIfExists) {
    const std::string from = platform::NativePath(source);
    std::string to = platform::NativePath(target);
    if (platform::IsDirectory(to)) to += "/" + BaseName(from);
    if (platform::IsDirectory(from)) {
        const std::string toParent = to.substr(0, to.find_last_of('/') == std::string::npos ? 0 : to.find_last_of('/'));
        char fromReal[PATH_MAX], parentReal[PATH_MAX];
        if (realpath(from.c_str(), fromReal) && realpath(toParent.empty() ? "." : toParent.c_str(), parentReal)) {
            const std::string inside = std::string(parentReal) + "/";
            if (inside.rfind(std::string(fromReal) + "/", 0) == 0) return false;
        }
    }
    return CopyEntry(from, to, failIfExists);
}

// Collapses "//" and "/./" and drops trailing separators; empty for a path that must not be
// deleted (empty, relative, with "..", or the root).
std::string DeletablePath(const std::string& folder) {
    const std::string native = platform::NativePath(folder);
    if (native.empty() || native.front() != '/') return {};
    std::string clean;
    std::size_t pos = 0;
    while (pos < native.size()) {
        const std::size_t next = std::min(native.find('/', pos), native.size());
        const std::string part = native.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return {};
        clean += "/" + part;
    }
    return clean;
}

void ProcessPendingEvents() {
    if (eventHook) eventHook();
}

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
// How many entries that stayed a failure names.
constexpr std::size_t kNamedFailuresLimit = 10;

// One folder of the tree being deleted: its entries, listed once, and how far they are done.
struct TreeLevel {
    std::string name;
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    std::vector<std::string> entries;
    std::size_t next = 0;
};

// What stayed of a tree: counted, and the first ones named with the reason.
struct TreeFailures {
    std::size_t count = 0;
    std::string named;
    void Add(const std::vector<TreeLevel>& levels, const std::string& name, int error) {
        if (++count > kNamedFailuresLimit) return;
        std::string path;
        for (const TreeLevel& level : levels) path += level.name + "/";
        named += "\n  " + path + name + ": " + std::strerror(error);
    }
};

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
    auto entries = platform::ListFolderOfDescriptor(fd);
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
TreeFailures DeleteTree(int parentFd, const std::string& name) {
    TreeFailures failures;
    std::vector<TreeLevel> levels;
    int error = 0;
    if (!EnterFolder(levels, parentFd, name, error)) {
        // A link goes itself; a plain file given as the folder is no folder and stays.
        struct stat st {};
        if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return failures;  // nothing there
        if (S_ISLNK(st.st_mode)) {
            if (!RemoveEntry(parentFd, name, 0)) failures.Add(levels, name, errno);
        } else if (S_ISDIR(st.st_mode) && !RemoveEntry(parentFd, name, AT_REMOVEDIR)) {
            failures.Add(levels, name, error);
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
            failures.Add(levels, lost, ESTALE);
            continue;
        }
        TreeLevel& level = levels[top];
        if (level.next < level.entries.size()) {
            const std::string entry = level.entries[level.next++];
            struct stat st {};
            if (fstatat(fd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
            if (S_ISDIR(st.st_mode)) {
                ProcessPendingEvents();
                // An empty folder that may not be listed can still go.
                if (!EnterFolder(levels, fd, entry, error) && !RemoveEntry(fd, entry, AT_REMOVEDIR))
                    failures.Add(levels, entry, error);
            } else if (!RemoveEntry(fd, entry, 0) && errno != ENOENT) {
                failures.Add(levels, entry, errno);
            }
            continue;
        }
        const std::string done = level.name;
        close(level.fd);
        levels.pop_back();
        const int above = levels.empty() ? parentFd : LevelFd(levels, levels.size() - 1);
        if (above < 0 || (!RemoveEntry(above, done, AT_REMOVEDIR) && errno != ENOENT))
            failures.Add(levels, done, above < 0 ? ESTALE : errno);
    }
    return failures;
}

}  // namespace

FolderTreeEventHook SetFolderTreeEventHook(FolderTreeEventHook hook) {
    const FolderTreeEventHook previous = eventHook;
    eventHook = hook;
    return previous;
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (folder.empty()) return folder;
    std::string result = folder;
    if (result.back() != '\\') result += '\\';
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (result.size() >= 2 && separator(result[result.size() - 1]) && separator(result[result.size() - 2]))
        result.pop_back();
    return result;
}

bool CopyFileTo(const std::string& source, const std::string& destFolder, const std::string& fileName,
                bool failIfExists) {
    bool copied = false;
    Guard("UP.008-01", [&] {
        const std::string folder = WithTrailingSeparator(destFolder);
        if (!platform::CreateDirectories(folder)) throw std::runtime_error("cannot create the folder " + folder);
        const std::string target = folder + fileName;
        copied = CopyInto(source, target, failIfExists);
    });
    return copied;
}

bool ShellCopy(const std::string& source, const std::string& target) {
    bool copied = false;
    Guard("UP.008-02", [&] { copied = CopyInto(source, target, false); });
    return copied;
}

bool CopyDirectory(const std::string& fromFolder, const std::string& toFolder, bool failIfExists) {
    bool complete = false;
    Guard("UP.008-03", [&] {
        std::string to = WithTrailingSeparator(toFolder);
        if (!to.empty() && to.back() != '\\' && to.back() != '/') to += '\\';
        if (!platform::CreateDirectories(to)) throw std::runtime_error("cannot create the folder " + to);
        if (!platform::IsDirectory(fromFolder)) return;
        complete = true;
        for (const std::string& name : platform::ListDirectory(fromFolder)) {
            if (platform::IsWriteTemporaryName(name)) continue;  // as in CopyEntry
            const std::string entry = fromFolder + "\\" + name;
            const bool ok = platform::IsDirectory(entry) ? CopyFileTo(entry, to, "", failIfExists)
                                                         : CopyFileTo(entry, to, name, failIfExists);
            complete = ok && complete;
        }
    });
    return complete;
}

bool DeleteDirectory(const std::string& folder) {
    bool removed = false;
    Guard("UP.008-04", [&] {
        const std::string path = DeletablePath(folder);
        if (path.empty()) throw std::invalid_argument("refused to delete the folder \"" + folder + "\"");
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        const int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parentFd < 0) {
            removed = true;  // nothing there to delete
            return;
        }
        const TreeFailures failures = DeleteTree(parentFd, path.substr(slash + 1));
        close(parentFd);
        if (failures.count == 0) {
            removed = true;
            return;
        }
        FolderRemovalFailed = true;
        std::string text = std::string(kProductName) + ": the folder \"" + Printable(path) +
                           "\" could not be removed: " + std::to_string(failures.count) + " entries stayed" +
                           failures.named;
        if (failures.count > kNamedFailuresLimit) text += "\n  ...";
        std::fprintf(stderr, "%s\n", text.c_str());
        throw std::runtime_error(text);
    });
    return removed;
}

}  // namespace kestrune
