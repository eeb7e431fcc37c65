#include "foundation/CheckOneCopyLaunch.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "foundation/TextLines.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/IniFile.h"
#include "foundation/core/PathNames.h"
#include "foundation/core/Product.h"
#include "foundation/core/SystemFolders.h"
#include "platform/AsciiText.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/RunningCopies.h"
#include "platform/UserFolders.h"

namespace kestrune {
namespace {

constexpr int kWmUser = 0x400;
// The name under which copies of every version meet (the runtime folder, the mutexes) and the
// tag of a running copy's entry: both must never follow a rename of the product, or copies of
// two versions would no longer find each other.
constexpr const char* kMeetingName = "KV.Kestrune";
constexpr const char* kEntryHeader = "KV.Kestrune running copy 1";

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

std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, bool& alreadyExisted) {
    return platform::OpenNamedMutex(RunningCopiesFolder(), name, alreadyExisted);
}

std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string& className, const std::string& version) {
    return platform::PublishRunningCopy(RunningCopiesFolder(), kEntryHeader, className, version);
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
            for (const platform::RunningCopy& copy : platform::ListRunningCopies(RunningCopiesFolder(), kEntryHeader)) {
                if (copy.path == ownPath || copy.className != className) continue;
                if (isSibling) {
                    if (notify) platform::PostRunningCopyMessage(copy, kWmUser + 1);
                } else if (showWarning) {
                    ShowMessageBox(ownerHandle, GetOneCopyMessage(messageId == 0 ? 0 : MessageForVersion(copy.version)),
                                   std::string(kProductName) + " " + kProgramVersionTag + " - Warning...", "Warning",
                                   kMbSystemModal);
                } else if (notify) {
                    platform::PostRunningCopyMessage(copy, kWmUser + 3);
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
