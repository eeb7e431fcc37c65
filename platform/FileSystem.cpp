#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <utility>

namespace platform {

std::string NativePath(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

bool FileAgeReadable(std::string_view path) {
    struct stat st {};
    return lstat(NativePath(path).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSymbolicLink(std::string_view path) {
    struct stat st {};
    return lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool CreateDirectories(std::string_view path) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    if (native.empty()) return false;
    if (IsDirectory(native)) return true;
    for (std::size_t pos = 1; pos <= native.size(); ++pos) {
        if (pos != native.size() && native[pos] != '/') continue;
        const std::string part = native.substr(0, pos);
        if (part.empty() || part.back() == '/') continue;
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return IsDirectory(native);
}

namespace {
FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{st.st_dev, st.st_ino, st.st_size,
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
}  // namespace

std::optional<FileIdentity> RegularFileIdentity(std::string_view path) {
    struct stat st {};
    if (stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

RegularFileRead ReadRegularFile(std::string_view path, std::size_t maxBytes, Links links) {
    using Status = RegularFileRead::Status;
    RegularFileRead result;
    const std::string native = NativePath(path);
    const bool follow = links == Links::Follow;
    // Looked at before any open: opening a device can have effects of its own.
    struct stat st {};
    if ((follow ? stat(native.c_str(), &st) : lstat(native.c_str(), &st)) != 0) {
        result.error = errno;
        result.status = errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
        return result;
    }
    if (S_ISDIR(st.st_mode)) {
        result.status = Status::Folder;
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = Status::NotAFile;
        return result;
    }
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        result.error = errno;
        result.status = errno == ENOENT                    ? Status::Missing
                        : errno == ENXIO || errno == ELOOP ? Status::NotAFile
                                                           : Status::Unreadable;
        return result;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        result.error = errno;
        result.status = S_ISDIR(opened.st_mode) ? Status::Folder : Status::NotAFile;
        close(fd);
        return result;
    }
    // At most maxBytes, then one byte more to tell whether the file goes on.
    std::string bytes;
    bool over = false;
    char buffer[65536];
    for (;;) {
        const std::size_t room = maxBytes - bytes.size();
        const ssize_t n = read(fd, buffer, room == 0 ? 1 : std::min(room, sizeof buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.error = errno;
            result.status = Status::Unreadable;
            close(fd);
            return result;
        }
        if (n == 0) break;
        if (room == 0) {
            over = true;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    // The bytes are the file's as it stood at the open only when nobody wrote to it meanwhile.
    struct stat after {};
    if (fstat(fd, &after) == 0 && IdentityOf(after) == IdentityOf(opened)) result.identity = IdentityOf(after);
    close(fd);
    result.status = Status::Read;
    result.complete = !over;
    result.bytes = std::move(bytes);
    return result;
}

namespace {
IoResult Failure(const std::string& what, int error) {
    return IoResult{false, error, what + ": " + std::strerror(error)};
}

ReplacementHook& TestingReplacementHook() {
    static ReplacementHook hook = nullptr;
    return hook;
}

void AtStep(ReplacementStep step) {
    if (TestingReplacementHook()) TestingReplacementHook()(step);
}

// ".<name>.<pid>.<n>.tmp", the name cut short where the whole would not fit in a file name.
std::string DefaultTemporaryName(const std::string& target) {
    static std::mt19937_64 generator{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string tail = "." + std::to_string(getpid()) + "." + std::to_string(generator() & 0xffffffffu) + ".tmp";
    constexpr std::size_t kMaxName = 255;
    if (1 + name.size() + tail.size() > kMaxName) name.resize(kMaxName - 1 - tail.size());
    return "." + name + tail;
}

bool AllDigits(std::string_view text, std::size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The folders this run has already cleared of stale temporaries.
std::set<std::string>& ClearedFolders() {
    static std::set<std::string> folders;
    return folders;
}
}  // namespace

FileReplacement::FileReplacement(std::string_view path, Temporary kind, TemporaryNames names)
    : target_(NativePath(path)), kind_(kind), names_(std::move(names)) {
    const std::size_t slash = target_.rfind('/');
    folder_ = slash == std::string::npos ? std::string("./") : target_.substr(0, slash + 1);
    if (!names_) names_ = [target = target_] { return DefaultTemporaryName(target); };
}

FileReplacement::~FileReplacement() { Discard(); }

IoResult FileReplacement::Open() {
    Discard();
    committed_.reset();
    // The new file has the mode of the one it replaces (or the caller's), whatever the umask; a
    // file that replaces none gets 0666 less the umask.
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat st {};
    if (mode_) {
        mode = *mode_;
        keepMode = true;
    } else if (lstat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 0777;
        keepMode = true;
    }
    IoResult opened;
    // The unnamed file gets its name at the commit through /proc/self/fd; without /proc it could
    // not be kept, so it is not made.
    if (kind_ == Temporary::UnnamedWherePossible && access("/proc/self/fd", X_OK) == 0) {
        fd_ = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd_ >= 0) opened.ok = true;
        // Only a file system without unnamed files falls back; any other failure is final.
        else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return Failure("cannot create a temporary file in " + folder_, errno);
    }
    if (!opened) opened = OpenNamed(mode);
    if (!opened) return opened;
    if (keepMode && fchmod(fd_, mode) != 0) {
        const int error = errno;
        Discard();
        return Failure("cannot give the new " + target_ + " the mode of the old one", error);
    }
    return opened;
}

IoResult FileReplacement::OpenNamed(mode_t mode) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        const std::string name = folder_ + names_();
        fd_ = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temporary_ = name;
            return IoResult{true, 0, {}};
        }
        error = errno;
    }
    return Failure("cannot create a temporary file in " + folder_, error);
}

IoResult FileReplacement::Append(std::string_view bytes) {
    if (fd_ < 0) return Failure("cannot write " + target_, EBADF);
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const IoResult failed = Failure("cannot write the new " + target_, n < 0 ? errno : EIO);
            Discard();
            return failed;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return IoResult{true, 0, {}};
}

IoResult FileReplacement::NameUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        const std::string name = folder_ + names_();
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return IoResult{true, 0, {}};
        }
        error = errno;
    }
    return Failure("cannot name the new " + target_, error);
}

IoResult FileReplacement::Commit(bool flushed) {
    committed_.reset();
    if (fd_ < 0) return Failure("cannot write " + target_, EBADF);
    IoResult result{true, 0, {}};
    if (!flushed && flushAtCommit_ && fsync(fd_) != 0) result = Failure("cannot flush the new " + target_, errno);
    if (result) AtStep(ReplacementStep::Flushed);
    // A link cannot replace a file: the unnamed file gets a name of its own first, and that name
    // is renamed over the target.
    if (result && temporary_.empty()) result = NameUnnamed();
    if (result) AtStep(ReplacementStep::Named);
    // Neither the close nor the rename changes what tells this file from another.
    struct stat written {};
    const bool known = result && fstat(fd_, &written) == 0;
    if (result) {
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0) result = Failure("cannot close the new " + target_, errno);
    }
    if (result && rename(temporary_.c_str(), target_.c_str()) != 0)
        result = Failure("cannot replace " + target_, errno);
    if (result) temporary_.clear();
    if (result && known) committed_ = IdentityOf(written);
    Discard();
    return result;
}

void FileReplacement::Discard() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

namespace {
IoResult WriteWhole(std::string_view path, std::string_view bytes, std::optional<mode_t> mode,
                    std::optional<FileIdentity>* written = nullptr) {
    FileReplacement file(path);
    if (mode) file.SetMode(*mode);
    IoResult result = file.Open();
    if (result) result = file.Append(bytes);
    if (result) result = file.Commit();
    if (written) *written = result ? file.committed() : std::nullopt;
    return result;
}
}  // namespace

IoResult WriteFileAtomic(std::string_view path, std::string_view bytes, std::optional<mode_t> mode,
                         std::optional<FileIdentity>* written) {
    const std::string target = NativePath(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    if (IsOwnFolder(folder) && ClearedFolders().insert(folder).second)
        RemoveStaleWriteTemporaries(folder, kStaleWriteTemporaryAge);
    return WriteWhole(path, bytes, mode, written);
}

IoResult WriteFileAtomicInSharedFolder(std::string_view path, std::string_view bytes) {
    return WriteWhole(path, bytes, std::nullopt);
}

bool IsWriteTemporaryName(std::string_view name) {
    constexpr std::string_view kEnd = ".tmp";
    if (name.size() <= 1 + kEnd.size() || name.front() != '.' || name.substr(name.size() - kEnd.size()) != kEnd)
        return false;
    std::string_view rest = name.substr(1, name.size() - 1 - kEnd.size());  // "<name>.<pid>.<n>"
    for (int part = 0; part < 2; ++part) {
        const std::size_t dot = rest.rfind('.');
        if (dot == std::string_view::npos || !AllDigits(rest.substr(dot + 1), 10)) return false;
        rest = rest.substr(0, dot);
    }
    return !rest.empty();
}

namespace {
std::vector<std::string>& OwnFolders() {
    static std::vector<std::string> folders;
    return folders;
}

// The path with "//", "/./" and trailing separators collapsed; empty for a relative path or one
// with "..", which is compared with nothing.
std::string LexicalFolder(std::string_view path) {
    const std::string native = NativePath(path);
    if (native.empty() || native.front() != '/') return {};
    std::string clean;
    std::size_t pos = 0;
    while (pos < native.size()) {
        const std::size_t next = std::min(native.find('/', pos), native.size());
        const std::string_view part = std::string_view(native).substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return {};
        clean += "/";
        clean += part;
    }
    return clean.empty() ? std::string("/") : clean;
}
}  // namespace

std::vector<std::string> SetOwnFolders(std::vector<std::string> folders) {
    return std::exchange(OwnFolders(), std::move(folders));
}

bool IsOwnFolder(std::string_view folder) {
    const std::string path = LexicalFolder(folder);
    if (path.empty()) return false;
    for (const std::string& own : OwnFolders()) {
        const std::string root = LexicalFolder(own);
        // The root folder "/" would make every folder the program's own.
        if (root.empty() || root == "/") continue;
        if (path == root || path.rfind(root + "/", 0) == 0) return true;
    }
    return false;
}

void RemoveStaleWriteTemporaries(std::string_view folder, std::time_t maxAgeSeconds) {
    std::string base = NativePath(folder);
    if (base.empty()) base = ".";
    if (!IsOwnFolder(base)) return;
    if (base.back() != '/') base += '/';
    const std::time_t oldest = std::time(nullptr) - maxAgeSeconds;
    for (const std::string& name : ListDirectory(base)) {
        if (!IsWriteTemporaryName(name)) continue;
        const std::string path = base + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() && st.st_mtime < oldest)
            unlink(path.c_str());
    }
}

ReplacementHook SetReplacementHookForTesting(ReplacementHook hook) {
    return std::exchange(TestingReplacementHook(), hook);
}

std::vector<std::string> ListDirectory(std::string_view path) {
    return ListDirectoryIfOpened(path).value_or(std::vector<std::string>{});
}

std::vector<std::string> ListOpenDirectory(DIR* dir) {
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::string>> ListDirectoryIfOpened(std::string_view path) {
    DIR* dir = opendir(NativePath(path).c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> names = ListOpenDirectory(dir);
    closedir(dir);
    return names;
}

std::optional<std::vector<std::string>> ListFolderOfDescriptor(int fd) {
    const int listFd = dup(fd);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (listFd >= 0) close(listFd);
        errno = error;
        return std::nullopt;
    }
    // The copy shares its position with fd: from the start, whatever an earlier listing read.
    rewinddir(dir);
    std::vector<std::string> names = ListOpenDirectory(dir);
    closedir(dir);
    return names;
}

bool RemoveFile(std::string_view path) { return unlink(NativePath(path).c_str()) == 0; }

void RemoveFileIfPresent(std::string_view path) {
    if (FileAgeReadable(path)) RemoveFile(path);
}

bool ProbeFileCreation(std::string_view path) {
    const std::string probe = NativePath(path);
    unlink(probe.c_str());
    const int fd =
        open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    const bool made = fd >= 0 && close(fd) == 0;
    unlink(probe.c_str());
    return made;
}

bool RemoveEmptyDirectory(std::string_view path) { return rmdir(NativePath(path).c_str()) == 0; }

std::optional<std::string> ReadRegularFileLimited(std::string_view path, std::size_t limit, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    RegularFileRead read = ReadRegularFile(path, limit);
    if (read.status != RegularFileRead::Status::Read) return std::nullopt;
    if (!read.complete) {
        if (tooLarge) *tooLarge = true;
        return std::nullopt;
    }
    return std::move(read.bytes);
}

std::optional<std::string> ReadRegularFileEnd(std::string_view path, std::size_t count) {
    const std::string native = NativePath(path);
    struct stat st {};
    if (stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= static_cast<off_t>(count))
        return std::nullopt;
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string end(count, '\0');
    // Looked at again once open: the name may stand for another file by now.
    const bool read =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > static_cast<off_t>(count) &&
        pread(fd, end.data(), count, st.st_size - static_cast<off_t>(count)) == static_cast<ssize_t>(count);
    close(fd);
    if (!read) return std::nullopt;
    return end;
}

FileLock::FileLock(std::string_view path, int waitMs) {
    const std::string native = NativePath(path);
    fd_ = open(native.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) {
        if (errno == EISDIR || errno == ELOOP) state_ = State::NotAFile;  // a folder or a link at its name
        return;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd_);
        fd_ = -1;
        state_ = State::NotAFile;
        return;
    }
    // Anyone who may open the file can hold it for good, so the wait is bounded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        if ((!busy && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            close(fd_);
            fd_ = -1;
            state_ = busy ? State::Busy : State::Failed;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    state_ = State::Held;
}

FileLock::~FileLock() {
    if (fd_ >= 0) close(fd_);
}

void FileLock::SetInheritable(bool inheritable) {
    if (fd_ < 0) return;
    const int flags = fcntl(fd_, F_GETFD);
    if (flags >= 0) fcntl(fd_, F_SETFD, inheritable ? (flags & ~FD_CLOEXEC) : (flags | FD_CLOEXEC));
}

bool IsFileLocked(std::string_view path) {
    const std::string native = NativePath(path);
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st {};
    bool locked = false;
    // A shared lock is refused exactly while an exclusive one is held; it is let go at once.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_SH | LOCK_NB) != 0) locked = errno == EWOULDBLOCK;
    close(fd);
    return locked;
}

}  // namespace platform
