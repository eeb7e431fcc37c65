#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

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

std::optional<std::string> ReadWholeFile(std::string_view path) {
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return bytes;
}

RegularFileRead ReadRegularFile(std::string_view path, std::size_t maxBytes) {
    using Status = RegularFileRead::Status;
    RegularFileRead result;
    const std::string native = NativePath(path);
    // Looked at before any open: opening a device can have effects of its own.
    struct stat st {};
    if (stat(native.c_str(), &st) != 0) {
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
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        result.status = errno == ENOENT ? Status::Missing : errno == ENXIO ? Status::NotAFile : Status::Unreadable;
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

std::string TemporaryNameBeside(const std::string& target) {
    static std::mt19937_64 generator{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(generator() & 0xffffffffu) +
           ".tmp";
}
}  // namespace

IoResult WriteFileAtomic(std::string_view path, std::string_view bytes) {
    const std::string target = NativePath(path);
    const std::string temporary = TemporaryNameBeside(target);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return Failure("cannot create " + temporary, errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            close(fd);
            unlink(temporary.c_str());
            return Failure("cannot write " + temporary, error);
        }
        written += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        unlink(temporary.c_str());
        return Failure("cannot flush " + temporary, error);
    }
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return Failure("cannot close " + temporary, error);
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return Failure("cannot replace " + target, error);
    }
    return IoResult{true, 0, {}};
}

std::vector<std::string> ListDirectory(std::string_view path) {
    DIR* dir = opendir(NativePath(path).c_str());
    if (!dir) return {};
    std::vector<std::string> names = ListOpenDirectory(dir);
    closedir(dir);
    return names;
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

bool RemoveFile(std::string_view path) { return unlink(NativePath(path).c_str()) == 0; }

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

}  // namespace platform
