#include "foundation/CheckOneCopyLaunch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <system_error>

#include "foundation/TextLines.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/IniFile.h"
#include "foundation/core/PathNames.h"
#include "foundation/core/Product.h"
#include "foundation/core/Quietly.h"
#include "foundation/core/SystemFolders.h"
#include "platform/AsciiText.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/UserFolders.h"

namespace kestrune {
namespace {

constexpr int kWmUser = 0x400;
// The name under which copies of every version meet (the runtime folder, the mutexes) and the
// tag of a running copy's entry: both must never follow a rename of the product, or copies of
// two versions would no longer find each other.
constexpr const char* kMeetingName = "KV.Kestrune";
constexpr const char* kEntryHeader = "KV.Kestrune running copy 1";
constexpr std::size_t kMessagesLimit = 64 * 1024;  // lines of a few digits each

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// A mutex name as a file name: letters, digits, ".", "-" and "_" stand; every other byte is %XX.
std::string FileNameFor(const std::string& name) {
    return platform::PercentEscaped(name, [](unsigned char byte) {
        const char c = static_cast<char>(byte);
        return !(platform::AsciiIsAlnum(c) || c == '.' || c == '-' || c == '_');
    });
}

// Handles of the mutexes this copy opened; they stay open until the process ends.
std::map<std::string, std::unique_ptr<NamedMutex>>& OpenMutexes() {
    static std::map<std::string, std::unique_ptr<NamedMutex>> mutexes;
    return mutexes;
}

// This copy's own windows in the list of running copies.
std::map<const QObject*, std::unique_ptr<RunningCopyEntry>>& OwnWindows() {
    static std::map<const QObject*, std::unique_ptr<RunningCopyEntry>> windows;
    return windows;
}

std::string ClassNameOf(const QWidget* form) {
    if (!form) return std::string();
    const std::string name = form->metaObject()->className();
    const auto colons = name.rfind("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

void PublishOwnWindow(QWidget* form, const std::string& className) {
    if (!form || OwnWindows().count(form)) return;
    auto entry = PublishRunningCopy(className, kProgramVersionTag);
    if (!entry) return;
    OwnWindows()[form] = std::move(entry);
    // A window that is freed leaves the list at once, as it would leave the system's window list.
    QObject::connect(form, &QObject::destroyed, [form] { OwnWindows().erase(form); });
}

struct RunningCopy {
    std::string path;
    std::string className;
    std::string version;
};

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
    if (dash == 0 || dash == std::string::npos || dash > 10) return 0;
    pid_t pid = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// Entries that copies killed at any moment left behind: a published entry (and its messages)
// whose lock is free, and an entry still being made ("<pid>-<n>.tmp", locked only a moment
// after it is created) whose lock is free and whose process is gone. Run before this copy
// publishes a window, so that every start clears what killed copies left.
void ClearEntriesOfDeadCopies(const std::string& folder) {
    for (const std::string& name : platform::ListDirectory(folder)) {
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

// Every window in the list whose copy still runs. An entry left by a copy that died is cleared
// away; it is taken out only when it is still the very file that was found dead.
std::vector<RunningCopy> RunningCopies() {
    std::vector<RunningCopy> copies;
    const std::string runtime = RunningCopiesFolder();
    if (runtime.empty()) return copies;
    const std::string folder = runtime + "/copies";
    for (const std::string& name : platform::ListDirectory(folder)) {
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
        const std::vector<std::string> lines = TextFileLines(bytes);
        for (const std::string& line : lines) {
            if (line.rfind("class=", 0) == 0) copy.className = line.substr(6);
            if (line.rfind("version=", 0) == 0) copy.version = line.substr(8);
        }
        if (!lines.empty() && lines.front() == kEntryHeader) copies.push_back(std::move(copy));
    }
    return copies;
}

void PostCopyMessage(const RunningCopy& copy, int message) {
    const std::string path = MessagesPathOf(copy.path);
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) ThrowSystemError("cannot send a message to the running copy");
    const std::string line = std::to_string(message) + "\n";
    const ssize_t written = write(fd, line.data(), line.size());
    close(fd);
    if (written != static_cast<ssize_t>(line.size())) ThrowSystemError("cannot send a message to the running copy");
}

// The warning names what really runs: a newer, an older or the same version.
int MessageForVersion(const std::string& otherVersion) {
    const int order = CompareVersionTags(otherVersion, kProgramVersionTag);
    return order > 0 ? 1 : order < 0 ? 2 : 3;
}

// False for the comment openings "//" and "\\" of a text file's line.
bool IsNotCommentPrefix(const std::string& firstTwo) {
    bool result = true;
    Guard("COL.001-01", [&] { result = firstTwo != "//" && firstTwo != "\\\\"; });
    return result;
}

void WaitMilliseconds(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

// ---- Runtime folder, mutexes and the list of running copies ---------------------------------

std::string RunningCopiesFolder() {
    // Each place is used only when it is a real folder of this user that nobody else may enter:
    // anyone who could write there could plant mutexes and windows of copies that do not run.
    // Its subfolder "copies" passes the same test: a link or another user's folder there would
    // take the list of running copies elsewhere.
    auto withCopies = [](const std::string& folder) {
        return !folder.empty() && platform::MakePrivateFolder(folder + "/copies") ? folder : std::string();
    };
    std::string folder;
    const std::string runtime = platform::UserRuntimeFolder();
    if (!runtime.empty() && platform::MakePrivateFolder(runtime + "/" + kMeetingName))
        folder = withCopies(runtime + "/" + kMeetingName);
    if (folder.empty()) folder = withCopies(platform::PrivateFolderIn(platform::NativePath(TempDirFromEnvironment())));
    // Another user may have taken TEMP's folder first; the user's own cache folder is the last place.
    if (folder.empty() && platform::CreateDirectories(platform::UserCacheFolder()))
        folder = withCopies(platform::PrivateFolderIn(platform::UserCacheFolder()));
    return folder;
}

NamedMutex::~NamedMutex() { close(fd_); }

std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, bool& alreadyExisted) {
    alreadyExisted = false;
    const std::string folder = RunningCopiesFolder();
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
    const auto bytes = platform::ReadRegularFileLimited(taking, kMessagesLimit);
    unlink(taking.c_str());
    if (!bytes) return messages;
    // A line that is no number is no message.
    for (const std::string& line : TextFileLines(*bytes)) Quietly([&] { messages.push_back(std::stoi(line)); });
    return messages;
}

std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string& className, const std::string& version) {
    static int serial = 0;
    const std::string runtime = RunningCopiesFolder();
    if (runtime.empty()) return nullptr;
    const std::string folder = runtime + "/copies";
    ClearEntriesOfDeadCopies(folder);
    const std::string base = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    const std::string temporary = base + ".tmp";
    const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) ThrowSystemError("cannot make the running-copy entry " + temporary);
    // Locked before it gets its name: an entry without its lock is never seen while its copy runs.
    const std::string text = std::string(kEntryHeader) + "\nclass=" + className + "\nversion=" + version +
                             "\npid=" + std::to_string(getpid()) + "\n";
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

// ---- The check ------------------------------------------------------------------------------

std::string ReadLanguageEntry(const std::string& language, int messageId) {
    std::string result;
    Guard("COL.002-01", [&] {
        if (!IsSafePathName(language)) return;
        const std::string path =
            platform::ExecutableFolder() + "\\Language\\" + language + "\\" + "UOCL_Language" + ".txt";
        // As a language pack: a folder is no file, anything but a plain file of at most 16 MiB
        // cannot be read, and nothing here waits on a pipe.
        const platform::RegularFileRead read = platform::ReadRegularFile(path, 16u * 1024u * 1024u);
        using Status = platform::RegularFileRead::Status;
        if (read.status == Status::Missing || read.status == Status::Folder) return;
        if (read.status != Status::Read || !read.complete) throw std::runtime_error("cannot read " + path);
        const std::string key = platform::AsciiLower("ID" + std::to_string(messageId) + "=");
        const std::string_view text(read.bytes);
        for (const std::string& line : TextFileLines(text.substr(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0))) {
            if (IsNotCommentPrefix(line.substr(0, 2)) && platform::AsciiLower(line.substr(0, key.size())) == key)
                result = line.substr(key.size());
        }
    });
    return result;
}

std::string GetOneCopyMessage(int messageId) {
    std::string text;
    Guard("COL.003-01", [&] {
        if (messageId == 0) return;
        switch (messageId) {
            case 1: text = "Уже запущена более новая версия программы!"; break;
            case 2: text = "Уже запущена более старая версия программы!"; break;
            case 3: text = "Уже запущена эта же версия программы!"; break;
            default: return;
        }
        const std::string settings = GetProgramPath(2, "") + "ULangSettings.ini";
        if (!platform::FileAgeReadable(settings)) return;
        const auto ini = LoadIniFile(settings);
        const auto language = ini ? ini->Read("Settings", "Language") : std::nullopt;
        if (!language || *language == "Russian") return;
        const std::string& name = *language;
        if (!IsSafePathName(name)) return;
        if (platform::AsciiLower(name) != "russian" &&
            !platform::FileAgeReadable(platform::ExecutableFolder() + "\\Language\\" + name + "\\" + name + ".txt"))
            return;
        const std::string entry = ReadLanguageEntry(name, messageId);
        if (!entry.empty()) text = entry;
    });
    return text;
}

bool CheckMutexAndWindows(bool resultIn, bool isSibling, int messageId, bool notify, bool showWarning,
                          const std::string& mutexName, const std::string& className, WindowHandle ownerHandle) {
    bool result = resultIn;
    Guard("COL.004-01", [&] {
        if (!resultIn) return;
        bool existed = false;
        auto mutex = OpenNamedMutex(mutexName, existed);
        // A second handle of this copy to the same name adds nothing: the first stays open.
        auto& handles = OpenMutexes();
        const std::string path = mutex->path();
        const bool kept = !handles.count(path);
        if (kept) handles[path] = std::move(mutex);
        mutex.reset();

        const auto arguments = platform::CommandLineArguments();
        const bool relaunch = arguments.size() > 1 && platform::AsciiLower(arguments[1]) == "/errorrelaunch";
        if (existed && !relaunch) {
            const auto own = OwnWindows().find(ownerHandle);
            const std::string ownPath = own != OwnWindows().end() ? own->second->path() : std::string();
            for (const RunningCopy& copy : RunningCopies()) {
                if (copy.path == ownPath || copy.className != className) continue;
                if (isSibling) {
                    if (notify) PostCopyMessage(copy, kWmUser + 1);
                } else if (showWarning) {
                    ShowMessageBox(ownerHandle, GetOneCopyMessage(messageId == 0 ? 0 : MessageForVersion(copy.version)),
                                   std::string(kProductName) + " " + kProgramVersionTag + " - Warning...", "Warning",
                                   kMbSystemModal);
                } else if (notify) {
                    PostCopyMessage(copy, kWmUser + 3);
                }
                result = false;
            }
            return;
        }
        // Nothing waits on a mutex here, so its ownership means nothing; a sibling's handle is closed.
        if (isSibling && kept) handles.erase(path);
    });
    return result;
}

bool CheckSingleInstance(bool notify, WindowHandle ownerHandle, QWidget* ownerForm) {
    bool result = true;
    Guard("COL.004-02", [&] {
        // Without a private place there are no mutexes to meet at: the check is left out, and the
        // start goes on as if no other copy ran. Nobody can mend this from an error window.
        if (RunningCopiesFolder().empty()) {
            std::fprintf(stderr, "%s: no private folder for the running copies; other copies are not looked for.\n",
                         kProductName);
            return;
        }
        const std::string className = ClassNameOf(ownerForm);
        PublishOwnWindow(ownerForm, className);
        bool siblingResult = true;
        for (int i = 0; i < OtherInstanceCount && i < static_cast<int>(OtherInstanceNames.size()); ++i) {
            siblingResult =
                CheckMutexAndWindows(true, siblingResult, 0, notify, false,
                                     std::string(kMeetingName) + " " + OtherInstanceNames[static_cast<std::size_t>(i)],
                                     className, ownerHandle);
            WaitMilliseconds(100);
        }
        result = CheckMutexAndWindows(true, false, 0, notify, false,
                                      std::string(kMeetingName) + " " + kProgramVersionTag, className, ownerHandle);
        if (siblingResult || notify)
            result = CheckMutexAndWindows(result, false, 1, notify, true, kMeetingName, className, ownerHandle);
    });
    return result;
}

}  // namespace kestrune
