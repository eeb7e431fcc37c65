#include "foundation/UniversalProcedures.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

bool BusyFlag = false;
std::string SettingsErrorFormat;
std::string SettingsErrorCaption;
std::string AddonsNoticeCaption;
std::string AddonsNoticeText;
std::string AddonsOpenQuestion;
int AutorunMode = 0;
int OtherInstanceCount = 0;
std::array<std::string, 10> OtherInstanceNames;

namespace {

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

void BringToFront(WindowHandle window) {
    if (!window) return;
    window->raise();
    // A window that takes no focus (the invisible host) is not asked to: Qt warns on stderr.
    if (!window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) window->activateWindow();
}
}  // namespace

void KeepAboveOpenModalWindow(QWidget* window) {
    const QWidget* open = QApplication::activeModalWidget();
    if (window && open && open != window && open->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

namespace {

// ---- Message boxes ----

MessageBoxHandler& BoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & 0xF0) {
        case kMbIconError: return QMessageBox::Critical;
        case kMbIconQuestion: return QMessageBox::Question;
        case kMbIconWarning: return QMessageBox::Warning;
        case kMbIconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

struct BoxButton {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<BoxButton> ButtonsOf(unsigned flags) {
    switch (flags & 0xF) {
        case kMbOkCancel: return {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
        case kMbAbortRetryIgnore:
            return {{QMessageBox::Abort, kIdAbort}, {QMessageBox::Retry, kIdRetry}, {QMessageBox::Ignore, kIdIgnore}};
        case kMbYesNoCancel:
            return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
        case kMbYesNo: return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
        case kMbRetryCancel: return {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
        default: return {{QMessageBox::Ok, kIdOk}};
    }
}

int ShowRealBox(const MessageBoxCall& call) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::runtime_error("a message box needs the application object");
    QMessageBox box(IconOf(call.flags), QString::fromStdString(call.caption), QString::fromStdString(call.text),
                    QMessageBox::NoButton, call.owner);
    box.setTextFormat(Qt::PlainText);
    const std::vector<BoxButton> buttons = ButtonsOf(call.flags);
    for (const BoxButton& b : buttons) box.addButton(b.button);
    const std::size_t defaultIndex = (call.flags & kMbDefButton3) ? 2 : (call.flags & kMbDefButton2) ? 1 : 0;
    box.setDefaultButton(buttons[std::min(defaultIndex, buttons.size() - 1)].button);
    if (call.flags & kMbSystemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const BoxButton& b : buttons)
        if (b.button == pressed) return b.id;
    // Closed without a button: Cancel where there is one, as the system box answers.
    for (const BoxButton& b : buttons)
        if (b.id == kIdCancel) return kIdCancel;
    return buttons.front().id;
}

// A run started with KESTRUNE_MESSAGEBOX_ANSWER shows no box: each one is written to stderr and
// answered with that number (end-to-end tests start the real program this way).
std::optional<int> AnswerFromEnvironment() {
    const char* value = std::getenv("KESTRUNE_MESSAGEBOX_ANSWER");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const long answer = std::strtol(value, &end, 10);
    if (*end != '\0') return std::nullopt;
    return static_cast<int>(answer);
}

int RunBox(const MessageBoxCall& call) {
    if (BoxHandler()) return BoxHandler()(call);
    if (const std::optional<int> answer = AnswerFromEnvironment()) {
        std::fprintf(stderr, "KV.Kestrune message box [%s] flags 0x%x: %s\n", call.caption.c_str(), call.flags,
                     call.text.c_str());
        return *answer;
    }
    return ShowRealBox(call);
}

unsigned IconForKind(const std::string& kind) {
    const std::string word = Lowered(kind);
    if (word == "warning") return kMbIconWarning;
    if (word == "info") return kMbIconInformation;
    if (word == "quest") return kMbIconQuestion;
    if (word == "error") return kMbIconError;
    return 0;
}

const char* const kBuiltInRepairFormat =
    "Настройки программы %s\n\n"
    "Отсутствовали или содержали неверные значения %d из %d параметров. \n"
    "Ошибки в структуре данных исправлены. Файл восстановлен.";
const char* const kBuiltInRepairCaption = "Предупреждение...";

// ---- System version ----

std::optional<SystemVersion>& TestingVersion() {
    static std::optional<SystemVersion> version;
    return version;
}

std::optional<SystemVersion> ParseVersion(const std::string& text) {
    SystemVersion version;
    char* end = nullptr;
    version.major = static_cast<int>(std::strtol(text.c_str(), &end, 10));
    if (end == text.c_str()) return std::nullopt;
    version.minor = 0;
    if (*end == '.') {
        const char* minorStart = end + 1;
        version.minor = static_cast<int>(std::strtol(minorStart, &end, 10));
        if (end == minorStart) return std::nullopt;
    }
    if (*end != '\0') return std::nullopt;
    return version;
}

// ---- Modal windows ----

FormTranslationHook& TranslationHook() {
    static FormTranslationHook hook;
    return hook;
}

// Ends the nested loop when the window is hidden (closed) or destroyed.
class CloseWatcher : public QObject {
public:
    explicit CloseWatcher(QEventLoop& loop) : loop_(loop) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A window the user minimises is hidden by the window system too; only a close ends it.
        if (event->type() == QEvent::Hide && !event->spontaneous()) loop_.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};

void RunModal(QWidget* form) {
    if (auto* dialog = qobject_cast<QDialog*>(form)) {
        dialog->exec();
        return;
    }
    // The window may free itself when it closes.
    QPointer<QWidget> window = form;
    QEventLoop loop;
    CloseWatcher watcher(loop);
    window->installEventFilter(&watcher);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    BringToFront(window);
    loop.exec();
    if (window) window->removeEventFilter(&watcher);
}

// ---- Files and folders ----

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
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            complete = CopyEntry(source + "/" + name, target + "/" + name, failIfExists) && complete;
        return complete;
    }
    if (!S_ISREG(st.st_mode)) return false;
    if (failIfExists && platform::FileAgeReadable(target)) return true;
    const std::optional<std::string> bytes = platform::ReadWholeFile(source);
    if (!bytes) return false;
    return platform::WriteFileAtomic(target, *bytes).ok;
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
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
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
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (entryName != "." && entryName != "..") names.push_back(entryName);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& entryName : names) {
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

// ---- Message boxes ----

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(BoxHandler());
    BoxHandler() = std::move(handler);
    return previous;
}

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = SetMessageBoxHandler([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        return answer_;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }

int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, const std::string& kind,
                   unsigned flags) {
    int button = 0;
    Guard("UP.004-01", [&] {
        button = RunBox(MessageBoxCall{owner, text, caption, kind, flags + IconForKind(kind)});
        BringToFront(owner);
    });
    return button;
}

std::string SettingsRepairedText(const std::string& format, int repairedCount, int readCount) {
    const std::string pattern = format.empty() ? kBuiltInRepairFormat : format;
    const std::string arguments[] = {"KV.Kestrune", std::to_string(repairedCount), std::to_string(readCount)};
    std::string text;
    std::size_t next = 0;  // the argument that the next placeholder takes
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            text += pattern[i];
            continue;
        }
        if (pattern[i + 1] == '%') {
            text += '%';
            ++i;
            continue;
        }
        // "%s", "%d", and the indexed forms "%0:s" .. "%2:d"; anything else stays as it is.
        std::size_t j = i + 1;
        std::size_t index = next;
        if (j + 1 < pattern.size() && pattern[j] >= '0' && pattern[j] <= '2' && pattern[j + 1] == ':') {
            index = static_cast<std::size_t>(pattern[j] - '0');
            j += 2;
        }
        if (j < pattern.size() && (pattern[j] == 's' || pattern[j] == 'd') && index < std::size(arguments)) {
            text += arguments[index];
            next = index + 1;
            i = j;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

int ShowSettingsRepairedMessage(WindowHandle owner, int repairedCount, int readCount, unsigned flags) {
    int button = 0;
    Guard("UP.003-01", [&] {
        const std::string text = SettingsRepairedText(SettingsErrorFormat, repairedCount, readCount);
        const std::string caption = SettingsErrorCaption.empty() ? kBuiltInRepairCaption : SettingsErrorCaption;
        button = RunBox(MessageBoxCall{owner, text, caption, "warning", flags + kMbIconWarning});
        BringToFront(owner);
    });
    return button;
}

// ---- System version ----

SystemVersion CurrentSystemVersion() {
    if (TestingVersion()) return *TestingVersion();
    if (const char* value = std::getenv("KESTRUNE_WINDOWS_VERSION"))
        if (const std::optional<SystemVersion> version = ParseVersion(value)) return *version;
    return SystemVersion{};
}

void SetSystemVersionForTesting(SystemVersion version) {
    if (version.major < 0) TestingVersion().reset();
    else TestingVersion() = version;
}

bool IsWindowsAtLeast(const std::string& versionWord) {
    bool atLeast = true;
    Guard("UP.002-01", [&] {
        const std::string word = Lowered(versionWord);
        SystemVersion required{0, 0};
        if (word == "98") required = {4, 10};
        else if (word == "2k") required = {5, 0};
        else if (word == "xp") required = {5, 1};
        else if (word == "vista") required = {6, 0};
        const SystemVersion system = CurrentSystemVersion();
        atLeast = !(system.major < required.major || (system.major == required.major && system.minor < required.minor));
    });
    return atLeast;
}

// ---- Modal windows ----

FormTranslationHook SetFormTranslationHook(FormTranslationHook hook) {
    FormTranslationHook previous = std::move(TranslationHook());
    TranslationHook() = std::move(hook);
    return previous;
}

void ShowFormModal(bool translate, WindowHandle returnWindow, const std::function<QWidget*()>& createForm) {
    bool setHere = false;
    struct ClearBusy {
        bool& setHere;
        ~ClearBusy() {
            if (setHere) BusyFlag = false;
        }
    } clearBusy{setHere};
    Guard("UP.007-01", [&] {
        if (!BusyFlag) {
            BusyFlag = true;
            setHere = true;
        }
        QPointer<QWidget> form = createForm();
        if (!form) throw std::runtime_error("the window could not be created");
        struct FreeForm {
            QPointer<QWidget>& form;
            ~FreeForm() { delete form.data(); }
        } freeForm{form};
        if (translate && TranslationHook()) TranslationHook()(form.data());
        KeepAboveOpenModalWindow(form.data());
        BringToFront(form.data());
        RunModal(form.data());
        BringToFront(returnWindow);
    });
}

// ---- Files and folders ----

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

// ---- Other procedures ----

void RemoveTrayIcon() {
    // The program adds no notification-area icon of its own, so there is none to remove.
    Guard("UP.001-04", [] {});
}

std::string DurationText(std::int64_t milliseconds) {
    std::string text;
    try {
        constexpr std::int64_t kDay = 86400000;
        constexpr std::int64_t kTickSpan = std::int64_t{1} << 32;
        if (milliseconds < 0) milliseconds += kTickSpan;
        if (milliseconds < 0) milliseconds = 0;
        const std::int64_t days = milliseconds / kDay;
        if (days != 0) text = std::to_string(days) + " days, ";
        const std::int64_t seconds = (milliseconds % kDay) / 1000;
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
        text += clock;
    } catch (...) {
    }
    return text;
}

void DetectSettingsInAppData(const std::string&) {
    Guard("UP.006-06", [&] {
        UseAppData = false;
        if (MustSetFilesInAppData) {
            UseAppData = true;
            return;
        }
        if (platform::FileAgeReadable(GetSpecialFolder(0) + "/" + "KV.Kestrune" + "/UAUSettings.ini")) UseAppData = true;
    });
}

namespace {
void DeleteAutorunFile() {
    const std::string path = platform::ExecutableFolder() + "/Settings/UARSettings.ini";
    if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
}
}  // namespace

void ResetAutorunSettings() {
    Guard("UP.006-02", [&] {
        AutorunMode = 0;
        DeleteAutorunFile();
    });
}

void DeleteAutorunSettings() {
    Guard("UP.006-03", [&] { DeleteAutorunFile(); });
}

}  // namespace kestrune
