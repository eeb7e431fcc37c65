#include "foundation/core/FolderTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include "foundation/core/Guard.h"
#include "platform/FileSystem.h"

namespace kestrune {

namespace {

FolderTreeEventHook eventHook = nullptr;

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
        DIR* dir = opendir(source.c_str());
        if (!dir) return false;
        const std::vector<std::string> names = platform::ListOpenDirectory(dir);
        closedir(dir);
        for (const std::string& name : names) {
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

// Deletes the folder entry `name` of folderFd with everything in it. Every step goes through file
// descriptors opened without following links, so nothing outside the tree is reached, even when
// an entry is replaced while the event loop runs.
void DeleteTree(int parentFd, const std::string& name) {
    const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link goes itself; a plain file given as the folder is no folder and stays.
        struct stat st {};
        if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            RemoveEntry(parentFd, name, 0);
        return;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    for (const std::string& entryName : platform::ListOpenDirectory(dir)) {
        struct stat st {};
        if (fstatat(fd, entryName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            ProcessPendingEvents();
            DeleteTree(fd, entryName);
        } else {
            RemoveEntry(fd, entryName, 0);
        }
    }
    closedir(dir);
    RemoveEntry(parentFd, name, AT_REMOVEDIR);
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

void DeleteDirectory(const std::string& folder) {
    Guard("UP.008-04", [&] {
        const std::string path = DeletablePath(folder);
        if (path.empty()) throw std::invalid_argument("refused to delete the folder \"" + folder + "\"");
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        const int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parentFd < 0) return;  // nothing there to delete
        DeleteTree(parentFd, path.substr(slash + 1));
        close(parentFd);
    });
}

}  // namespace kestrune
