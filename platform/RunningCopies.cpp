#include "platform/RunningCopies.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <stdexcept>
#include <system_error>

#include "platform/AsciiText.h"
#include "platform/FileSystem.h"

namespace platform {
namespace {

constexpr std::size_t kMessagesLimit = 64 * 1024;  // lines of a few digits each

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// A mutex name as a file name: letters, digits, ".", "-" and "_" stand; every other byte is %XX.
std::string FileNameFor(const std::string& name) {
    return PercentEscaped(name, [](unsigned char byte) {
        const char c = static_cast<char>(byte);
        return !(AsciiIsAlnum(c) || c == '.' || c == '-' || c == '_');
    });
}

// The lines of an entry or a messages file, which only copies of the program write: LF ends a
// line, a CR before it is no part of it.
std::vector<std::string> EntryLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string MessagesPathOf(const std::string& entryPath) {
    return entryPath.substr(0, entryPath.size() - std::string(".copy").size()) + ".messages";
}

// Takes out the entry that fd has open once nobody holds its lock: its copy died. Only while it
// is still the very file that was found dead (a new entry of that name stays).
bool ClearIfDead(const std::string& path, int fd, bool withMessages) {
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) return false;
    struct stat opened {
    }, current{};
    if (fstat(fd, &opened) == 0 && lstat(path.c_str(), &current) == 0 && opened.st_ino == current.st_ino &&
        opened.st_dev == current.st_dev) {
        unlink(path.c_str());
        if (withMessages) unlink(MessagesPathOf(path).c_str());
    }
    return true;
}

// The process id that opens an entry's name "<pid>-<n>.copy" or "<pid>-<n>.tmp"; 0 for none.
pid_t EntryProcess(const std::string& name) {
    const std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string::npos) return 0;
    // Digits only, and a number a process id can be: a name with more digits than pid_t holds
    // opens no process.
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc() || end != name.data() + dash) return 0;
    return pid;
}

// Entries that copies killed at any moment left behind: a published entry (and its messages)
// whose lock is free, and an entry still being made ("<pid>-<n>.tmp", locked only a moment
// after it is created) whose lock is free and whose process is gone. Run before this copy
// publishes a window, so that every start clears what killed copies left.
void ClearEntriesOfDeadCopies(const std::string& folder) {
    for (const std::string& name : ListDirectory(folder)) {
        const bool published = name.size() > 5 && name.compare(name.size() - 5, 5, ".copy") == 0;
        const bool beingMade = name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0;
        if (!published && !beingMade) continue;
        const pid_t pid = EntryProcess(name);
        if (beingMade && (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH)) continue;
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat entry {};
        if (fstat(fd, &entry) == 0 && S_ISREG(entry.st_mode)) ClearIfDead(path, fd, published);
        close(fd);
    }
}

}  // namespace

std::vector<RunningCopy> ListRunningCopies(const std::string& runtimeFolder, std::string_view tag) {
    std::vector<RunningCopy> copies;
    if (runtimeFolder.empty()) return copies;
    const std::string folder = runtimeFolder + "/copies";
    for (const std::string& name : ListDirectory(folder)) {
        if (name.size() <= 5 || name.compare(name.size() - 5, 5, ".copy") != 0) continue;
        const std::string path = folder + "/" + name;
        // Only a plain file is an entry: a pipe of that name is never waited on.
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat entry {};
        if (fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
            close(fd);
            continue;
        }
        if (ClearIfDead(path, fd, true)) {
            close(fd);
            continue;
        }
        std::string bytes;
        char buffer[512];
        ssize_t n = 0;
        while (bytes.size() < 4096 && (n = read(fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, static_cast<std::size_t>(n));
        close(fd);
        RunningCopy copy;
        copy.path = path;
        const std::vector<std::string> lines = EntryLines(bytes);
        for (const std::string& line : lines) {
            if (line.rfind("class=", 0) == 0) copy.className = line.substr(6);
            if (line.rfind("version=", 0) == 0) copy.version = line.substr(8);
        }
        if (!lines.empty() && lines.front() == tag) copies.push_back(std::move(copy));
    }
    return copies;
}

void PostRunningCopyMessage(const RunningCopy& copy, int message) {
    const std::string path = MessagesPathOf(copy.path);
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) ThrowSystemError("cannot send a message to the running copy");
    const std::string line = std::to_string(message) + "\n";
    const ssize_t written = write(fd, line.data(), line.size());
    close(fd);
    if (written != static_cast<ssize_t>(line.size())) ThrowSystemError("cannot send a message to the running copy");
}

NamedMutex::~NamedMutex() { close(fd_); }

std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& folder, const std::string& name, bool& alreadyExisted) {
    alreadyExisted = false;
    if (folder.empty()) throw std::runtime_error("no private runtime folder for the running copies");
    const std::string path = folder + "/" + FileNameFor(name) + ".mutex";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) ThrowSystemError("cannot open the mutex file " + path);
    std::unique_ptr<NamedMutex> mutex(new NamedMutex(path, fd));
    // Opening is one step for every other opener: while this handle takes its place and looks for
    // others, an flock on "<name>.opening" keeps the next opener waiting (for the few system calls
    // it takes), so of two starts at once exactly one finds that the mutex did not exist yet. An
    // opener that is stopped half-way keeps the others waiting for a second at most.
    struct Opening {
        int fd = -1;
        bool locked = false;
        ~Opening() {
            if (fd >= 0) close(fd);
        }
    } opening;
    const std::string openingPath = path.substr(0, path.size() - std::string(".mutex").size()) + ".opening";
    opening.fd = open(openingPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (opening.fd < 0) ThrowSystemError("cannot open the mutex file " + openingPath);
    for (int attempt = 0; attempt < 500 && !opening.locked; ++attempt) {
        opening.locked = flock(opening.fd, LOCK_EX | LOCK_NB) == 0;
        if (!opening.locked) usleep(2000);
    }
    // Each holder locks one byte of its own: its process id, or, when another handle of this
    // process (or of another pid namespace) has that, the next free one above every process id.
    // The kernel drops the lock with the last descriptor.
    bool held = false;
    const off_t first = getpid();
    for (off_t slot = first; !held && slot < first + (off_t{4096} << 22); slot += off_t{1} << 22) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = slot;
        lock.l_len = 1;
        if (fcntl(fd, F_OFD_SETLK, &lock) == 0) held = true;
        else if (errno == EAGAIN || errno == EACCES) alreadyExisted = true;
        else ThrowSystemError("cannot lock the mutex file " + path);
    }
    if (!held) throw std::runtime_error("no free place in the mutex file " + path);
    // Any lock that is not this handle's own belongs to another open handle.
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0) ThrowSystemError("cannot test the mutex file " + path);
    if (probe.l_type != F_UNLCK) alreadyExisted = true;
    return mutex;
}

RunningCopyEntry::~RunningCopyEntry() {
    // Out of the list first, so that nobody finds an entry whose lock is already gone.
    unlink(path_.c_str());
    unlink(MessagesPathOf(path_).c_str());
    close(fd_);
}

std::vector<int> RunningCopyEntry::TakeMessages() {
    std::vector<int> messages;
    const std::string path = MessagesPathOf(path_);
    const std::string taking = path + ".taking";
    if (rename(path.c_str(), taking.c_str()) != 0) return messages;
    const auto bytes = ReadRegularFileLimited(taking, kMessagesLimit);
    unlink(taking.c_str());
    if (!bytes) return messages;
    // A line that is no number is no message.
    for (const std::string& line : EntryLines(*bytes)) {
        int number = 0;
        const char* begin = line.data();
        if (!line.empty() && line.front() == '+') ++begin;
        if (std::from_chars(begin, line.data() + line.size(), number).ec == std::errc()) messages.push_back(number);
    }
    return messages;
}

std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string& runtime, std::string_view tag,
                                                     const std::string& className, const std::string& version) {
    static int serial = 0;
    if (runtime.empty()) return nullptr;
    const std::string folder = runtime + "/copies";
    ClearEntriesOfDeadCopies(folder);
    const std::string base = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    const std::string temporary = base + ".tmp";
    const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) ThrowSystemError("cannot make the running-copy entry " + temporary);
    // Locked before it gets its name: an entry without its lock is never seen while its copy runs.
    const std::string text =
        std::string(tag) + "\nclass=" + className + "\nversion=" + version + "\npid=" + std::to_string(getpid()) + "\n";
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        rename(temporary.c_str(), (base + ".copy").c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        close(fd);
        errno = error;
        ThrowSystemError("cannot publish the running-copy entry " + base + ".copy");
    }
    return std::unique_ptr<RunningCopyEntry>(new RunningCopyEntry(base + ".copy", fd));
}

}  // namespace platform
