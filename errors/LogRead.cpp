#include "errors/LogRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace kestrune {

LogRead ReadLogFile(const std::string& path, std::size_t maxBytes) {
    LogRead result;
    const int fd = ::open(platform::NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? LogRead::Status::Missing : LogRead::Status::Unreadable;
        if (errno == ENXIO) result.status = LogRead::Status::NotAFile;  // a socket or a device without a driver
        return result;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        result.status = known ? LogRead::Status::NotAFile : LogRead::Status::Unreadable;
        ::close(fd);
        return result;
    }
    // One byte more than asked tells whether the file goes on.
    std::string bytes(maxBytes + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            result.status = LogRead::Status::Unreadable;
            return result;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    result.status = LogRead::Status::Read;
    result.complete = got <= maxBytes;
    bytes.resize(result.complete ? got : maxBytes);
    result.bytes = std::move(bytes);
    return result;
}

std::string WholeLinesOf(std::string text) {
    const std::size_t end = text.find_last_of("\r\n");
    if (end != std::string::npos) text.resize(end + 1);
    return text;
}

}  // namespace kestrune
