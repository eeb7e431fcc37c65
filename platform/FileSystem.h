#pragma once
// File-system boundary. Paths inside the program are texts built with both "\" and "/", as the
// program has always built them; NativePath turns such a text into a Linux path, and every
// function here does that itself, so callers pass the program's own path texts.

#include <dirent.h>
#include <sys/types.h>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// "\" becomes "/". Nothing else changes: "//" is harmless to Linux.
std::string NativePath(std::string_view path);

// True when the file's age can be read (the program's test of "present"): any existing entry.
bool FileAgeReadable(std::string_view path);
bool IsDirectory(std::string_view path);
bool IsRegularFile(std::string_view path);
// The entry itself is a symbolic link (whether or not its target exists).
bool IsSymbolicLink(std::string_view path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool CreateDirectories(std::string_view path);

// The outcome of a write. A caller that has no use for a failure says so by name.
struct [[nodiscard]] IoResult {
    bool ok = false;
    int error = 0;        // errno of the failing step, 0 on success
    std::string message;  // what failed, for a caller that shows or logs it
    explicit operator bool() const { return ok; }
};

// What tells one state of a file from another without reading it: a file replaced by a rename is
// another inode, one rewritten in place has another size or time of its last change.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;  // time of the last change, nanoseconds since the epoch
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the regular file at the path (a link is followed); nullopt for anything else.
std::optional<FileIdentity> RegularFileIdentity(std::string_view path);

// A read of a file that anyone may have replaced with a folder, a pipe, a device or a huge file.
struct RegularFileRead {
    enum class Status {
        Missing,     // nothing of that name (a dangling link included)
        Folder,      // a folder of that name
        NotAFile,    // a pipe, device or socket: never opened for reading
        Unreadable,  // a regular file that could not be opened or read
        Read,
    };
    Status status = Status::Missing;
    std::string bytes;      // the file, or its first maxBytes bytes
    bool complete = false;  // the file held no more than maxBytes bytes
    int error = 0;          // errno of a failed open or read
    // The identity of the file read, when it did not change while it was read.
    std::optional<FileIdentity> identity;
};

// Reads only a regular file, and at most maxBytes of it. Nothing that is not a regular file is
// opened, and the open itself never waits (a pipe swapped in meanwhile is found and left). A file
// that only the program writes (its error log) is read with Links::Refuse: a symbolic link in its
// place is no file of the program (NotAFile), and its target is never opened.
enum class Links { Follow, Refuse };
RegularFileRead ReadRegularFile(std::string_view path, std::size_t maxBytes, Links links = Links::Follow);

// A file written in steps that appears at its path only when it is whole, in one rename over
// whatever stood there; readers see the old file or the whole new one, never a part.
//
// The bytes go to a file without a name in the target's folder where the file system has them
// (O_TMPFILE), so that a writer killed before the commit leaves nothing; the commit gives it a
// name beside the target and renames that over the target (a link cannot replace a file).
// Elsewhere the bytes go to a named temporary file from the start. A named temporary that a
// killed writer left is all that can remain; the default names, ".<name>.<pid>.<n>.tmp", are
// cleared away by later writes into the folder (WriteFileAtomic).
//
// A file that replaces a regular file takes over its mode (0600 stays 0600); a new file gets
// 0666 less the umask.
class FileReplacement {
public:
    enum class Temporary { UnnamedWherePossible, Named };
    // A new file name for the named temporary at each call, without its folder.
    using TemporaryNames = std::function<std::string()>;

    explicit FileReplacement(std::string_view path, Temporary kind = Temporary::UnnamedWherePossible,
                             TemporaryNames names = {});
    ~FileReplacement();  // what was not committed is discarded
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The new file's mode instead of the replaced file's; before Open.
    void SetMode(mode_t mode) { mode_ = mode & 0777; }
    // Whether the commit flushes the bytes to disk (it does unless told otherwise). Without the
    // flush a killed writer still leaves the old file or the whole new one, but a crash of the
    // machine may leave the new file empty or cut at its name: only for files whose readers tell
    // a whole file from a cut one. Before Commit.
    void SetFlushAtCommit(bool flush) { flushAtCommit_ = flush; }
    // Creates the temporary file; fails when the folder cannot take it.
    IoResult Open();
    IoResult Append(std::string_view bytes);
    // The open temporary file, or -1; for a caller that flushes it itself.
    int descriptor() const { return fd_; }
    // Flushes the bytes to disk (unless the caller did, or no flush was asked for) and puts the
    // file in place. On failure the target stays as it was and the temporary file is gone.
    IoResult Commit(bool flushed = false);
    // Drops what was written; the target stays as it was.
    void Discard();
    // The identity of the file that the last Commit put in place, as it was written.
    const std::optional<FileIdentity>& committed() const { return committed_; }

private:
    IoResult OpenNamed(mode_t mode);
    IoResult NameUnnamed();

    std::string target_;     // native path
    std::string folder_;     // native path of its folder, ending in "/"
    std::string temporary_;  // the named temporary file; empty while it has no name
    Temporary kind_;
    TemporaryNames names_;
    std::optional<mode_t> mode_;
    bool flushAtCommit_ = true;
    int fd_ = -1;
    std::optional<FileIdentity> committed_;
};

// Writes a whole file through FileReplacement, with the given mode instead of the replaced file's
// when one is given. The first write of a run into one of the program's own folders also removes
// the stale temporaries that killed writers left there (RemoveStaleWriteTemporaries). written,
// when given, receives the identity of the file put in place (nullopt when nothing was).
IoResult WriteFileAtomic(std::string_view path, std::string_view bytes, std::optional<mode_t> mode = std::nullopt,
                         std::optional<FileIdentity>* written = nullptr);
// The same for a folder that other programs write into too (the desktop's autostart folders):
// nothing else in it is touched, since another program's temporaries may have the same form.
IoResult WriteFileAtomicInSharedFolder(std::string_view path, std::string_view bytes);

// True for the names of FileReplacement's default temporaries: "." + a name + "." + a process id
// + "." + a number + ".tmp".
bool IsWriteTemporaryName(std::string_view name);
// The folders that belong to this program alone, each with everything below it (its settings,
// resource and Application Data folders): the only places where stale temporaries are removed,
// since another program's temporaries may have the same form. None until the program names
// them. Answers the list it replaced.
std::vector<std::string> SetOwnFolders(std::vector<std::string> folders);
// Whether the folder is one of those or lies below one, compared as written (separators of
// either kind, "//" and "/./" collapsed); a path with ".." never is.
bool IsOwnFolder(std::string_view folder);
// Removes the default temporaries in the folder that are regular files of this user whose last
// change is older than maxAgeSeconds: their writers ended long since (a write takes moments).
// Every other entry stays, and a folder that is not the program's own (IsOwnFolder) is left alone.
void RemoveStaleWriteTemporaries(std::string_view folder, std::time_t maxAgeSeconds);
// How old a default temporary must be before a write into its folder removes it.
inline constexpr std::time_t kStaleWriteTemporaryAge = 300;

// Tests stop a writer between its steps (and kill it there): the hook runs once the bytes are
// flushed and again once the temporary file has its name, just before the rename. Answers the
// hook it replaced; nullptr for none.
enum class ReplacementStep { Flushed, Named };
using ReplacementHook = void (*)(ReplacementStep step);
ReplacementHook SetReplacementHookForTesting(ReplacementHook hook);

// Entry names of a folder, "." and ".." left out, sorted by name so that every run enumerates
// in the same order. Empty when the folder cannot be listed.
std::vector<std::string> ListDirectory(std::string_view path);
// The same for a folder that the caller opened (opendir, fdopendir) and closes itself.
std::vector<std::string> ListOpenDirectory(DIR* dir);
// The same, nullopt (errno set) when the folder cannot be opened: an empty folder answers an
// empty list.
std::optional<std::vector<std::string>> ListDirectoryIfOpened(std::string_view path);
// The same for a folder that the caller holds open as fd, read from its start; fd stays open.
std::optional<std::vector<std::string>> ListFolderOfDescriptor(int fd);

bool RemoveFile(std::string_view path);
// Removes whatever entry stands at the path (a link itself, not its target) when there is one;
// nothing there is no failure.
void RemoveFileIfPresent(std::string_view path);
// Whether a file can be made at the path: one is created and removed again. Whatever stood at the
// name goes first (a pipe there would make an open for writing wait), and the open never waits.
bool ProbeFileCreation(std::string_view path);
// Removes a folder that is empty; a link of that name is left (it is no folder).
bool RemoveEmptyDirectory(std::string_view path);

// ReadRegularFile for callers that need only the bytes: only a regular file is read (a folder,
// device or pipe is refused, and the open never waits on a pipe), and at most limit bytes.
// nullopt when it is missing, not a regular file or cannot be read; tooLarge (when given) tells
// whether the file held more than limit bytes, in which case nothing is answered.
std::optional<std::string> ReadRegularFileLimited(std::string_view path, std::size_t limit, bool* tooLarge = nullptr);
// The last count bytes of a regular file that holds more than count bytes; nullopt for anything
// else. Looked at before it is opened, so a device or pipe at the name is never opened.
std::optional<std::string> ReadRegularFileEnd(std::string_view path, std::size_t count);

// An exclusive lock on a lock file (flock), held while the object lives. The kernel drops it
// when the last open of it goes, however its holder ends; a started program that inherits the
// open file (SetInheritable) holds it on as long as it runs. The file is made when missing and
// used only when it is a plain file (a link at its name is never followed); it stays when the lock
// goes. A lock already held elsewhere, also by another object in this process, is waited for at
// most waitMs (0: one attempt); past it the lock is not had.
class FileLock {
public:
    enum class State { Held, Busy, NotAFile, Failed };
    FileLock(std::string_view path, int waitMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    // Whether a program started from now on inherits the open lock file (and so the lock).
    void SetInheritable(bool inheritable);

private:
    int fd_ = -1;
    State state_ = State::Failed;
};

// Whether a FileLock on the file is held at this moment (by any process, this one included);
// false for a missing file.
bool IsFileLocked(std::string_view path);

}  // namespace platform
