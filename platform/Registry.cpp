#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "platform/AsciiText.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/RegistryFormat.h"
#include "platform/UserFolders.h"

namespace platform {
namespace {

using registry::Store;
using registry::StoredKey;
using registry::StoredValue;

constexpr std::string_view kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kCurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// The values that Windows keeps for its shell folders, answered from this system's folders.
struct BuiltInFolder {
    RegistryRoot root;
    std::string_view key;
    std::string_view name;
    std::function<std::string()> folder;
};

const std::vector<BuiltInFolder>& BuiltInFolders() {
    static const std::vector<BuiltInFolder> folders = {
        {RegistryRoot::CurrentUser, kShellFoldersKey, "AppData", ApplicationDataFolder},
        {RegistryRoot::CurrentUser, kShellFoldersKey, "Local AppData", LocalApplicationDataFolder},
        {RegistryRoot::CurrentUser, kShellFoldersKey, "Desktop", [] { return XdgUserFolder("DESKTOP", "Desktop"); }},
        {RegistryRoot::CurrentUser, kShellFoldersKey, "Personal",
         [] { return XdgUserFolder("DOCUMENTS", "Documents"); }},
        {RegistryRoot::CurrentUser, kShellFoldersKey, "Programs", UserProgramsFolder},
        {RegistryRoot::LocalMachine, kShellFoldersKey, "Common AppData",
         [] { return std::string(kCommonAppDataFolder); }},
        {RegistryRoot::LocalMachine, kShellFoldersKey, "Common Desktop",
         [] { return std::string(kCommonDesktopFolder); }},
        {RegistryRoot::LocalMachine, kShellFoldersKey, "Common Programs",
         [] { return std::string(kCommonProgramsFolder); }},
        {RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir",
         [] { return std::string(kProgramFilesFolder); }},
    };
    return folders;
}

// True when the key holds built-in values or lies on the way to one.
bool IsBuiltInKey(RegistryRoot root, std::string_view keyPath) {
    if (keyPath.empty()) return true;
    for (const BuiltInFolder& folder : BuiltInFolders()) {
        if (folder.root != root || folder.key.size() < keyPath.size()) continue;
        if (AsciiEqualsNoCase(folder.key.substr(0, keyPath.size()), keyPath) &&
            (folder.key.size() == keyPath.size() || folder.key[keyPath.size()] == '\\'))
            return true;
    }
    return false;
}

std::optional<RegistryValue> BuiltInValue(RegistryRoot root, std::string_view keyPath, std::string_view name) {
    for (const BuiltInFolder& folder : BuiltInFolders()) {
        if (folder.root == root && AsciiEqualsNoCase(folder.key, keyPath) && AsciiEqualsNoCase(folder.name, name)) {
            std::string data = folder.folder();
            data += '\0';
            return RegistryValue{kRegSz, std::move(data)};
        }
    }
    return std::nullopt;
}

bool WritesDenied(RegistryRoot root) {
    const std::string list = GetEnv("KESTRUNE_REGISTRY_DENY_WRITE");
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find_first_of(",; \t", start);
        if (end == std::string::npos) end = list.size();
        const std::string token = AsciiLower(std::string_view(list).substr(start, end - start));
        if (root == RegistryRoot::CurrentUser && (token == "hkey_current_user" || token == "hkcu")) return true;
        if (root == RegistryRoot::LocalMachine && (token == "hkey_local_machine" || token == "hklm")) return true;
        start = end + 1;
    }
    return false;
}

// Every problem of a store is told once to its handler: each read and write meets it again.
RegistryNoticeHandler& NoticeHandler() {
    static RegistryNoticeHandler handler;
    return handler;
}

std::set<std::string>& Told() {
    static std::set<std::string> told;
    return told;
}

int& LockWaitMs() {
    static int wait = kRegistryLockWaitMs;
    return wait;
}

void Notice(const std::string& file, const std::string& problem) {
    if (NoticeHandler() && Told().insert(file + "\n" + problem).second) NoticeHandler()(file + " " + problem);
}

struct LoadedStore {
    bool ok = false;  // false when the file exists but cannot be read
    registry::ParsedStore parsed;
};

// The store is read as any file that someone else may have replaced: a pipe, a device or a folder
// in its place is never opened for reading, and a file beyond the limit is not read at all.
LoadedStore LoadStore(const std::string& file) {
    using Status = RegularFileRead::Status;
    LoadedStore loaded;
    const RegularFileRead read = ReadRegularFile(file, kRegistryStoreLimit);
    switch (read.status) {
        case Status::Missing: loaded.ok = true; return loaded;  // a missing store is an empty one
        case Status::Folder: Notice(file, "is a folder"); return loaded;
        case Status::NotAFile: Notice(file, "is no plain file"); return loaded;
        case Status::Unreadable:
            Notice(file, std::string("cannot be read: ") + std::strerror(read.error));
            return loaded;
        case Status::Read: break;
    }
    if (!read.complete) {
        Notice(file, "is larger than " + std::to_string(kRegistryStoreLimit / 1024) + " KiB");
        return loaded;
    }
    loaded.parsed = registry::ParseStore(read.bytes);
    loaded.ok = true;
    if (!loaded.parsed.clean) Notice(file, "cannot be read cleanly");
    return loaded;
}

// The store's lock file "<store>.lock", with a word to the user when it cannot be had. Writers
// hold the lock for moments; anyone who may open the file can hold it for good, so the wait is
// bounded: past it the change fails, as a refused access would.
class StoreLock {
public:
    explicit StoreLock(const std::string& storeFile) : path_(storeFile + ".lock"), lock_(path_, LockWaitMs()) {
        if (lock_.state() == FileLock::State::NotAFile) Notice(path_, "is no plain file");
        if (lock_.state() == FileLock::State::Busy) Notice(path_, "is locked by another program");
    }
    bool held() const { return lock_.held(); }

private:
    std::string path_;
    FileLock lock_;
};

// Runs one read-modify-write of the root's store under its lock. change answers whether it
// succeeded and sets changed when the store must be written back.
bool ChangeStore(RegistryRoot root, const std::function<bool(Store&, bool& changed)>& change) {
    if (WritesDenied(root)) return false;
    const std::string file = RegistryStoreFile(root);
    const std::size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !CreateDirectories(file.substr(0, slash))) return false;
    StoreLock lock(file);
    if (!lock.held()) return false;
    LoadedStore loaded = LoadStore(file);
    if (!loaded.ok || !loaded.parsed.clean) return false;
    bool changed = false;
    if (!change(loaded.parsed.store, changed)) return false;
    if (!changed) return true;
    return static_cast<bool>(WriteFileAtomic(file, registry::SerializeStore(loaded.parsed.store)));
}

// The key of a change: created when it is missing but stands among the built-in keys.
StoredKey* KeyForChange(Store& store, RegistryRoot root, std::string_view keyPath, bool& changed) {
    if (StoredKey* key = store.FindKey(keyPath)) return key;
    if (!IsBuiltInKey(root, keyPath)) return nullptr;
    bool created = false;
    StoredKey* key = store.CreateKey(keyPath, created);
    changed = changed || created;
    return key;
}

void SetIn(StoredKey& key, std::string_view name, std::uint32_t type, std::string_view data) {
    key.Set(name, type, std::string(data));
}

}  // namespace

int SetRegistryLockWaitForTesting(int milliseconds) { return std::exchange(LockWaitMs(), milliseconds); }

RegistryNoticeHandler SetRegistryNoticeHandler(RegistryNoticeHandler handler) {
    Told().clear();
    return std::exchange(NoticeHandler(), std::move(handler));
}

const char* RegistryRootName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string RegistryStoreFile(RegistryRoot root) {
    const std::string name = std::string(RegistryRootName(root)) + ".reg";
    std::string folder = GetEnv("KESTRUNE_REGISTRY");
    if (!folder.empty()) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder + "/" + name;
    }
    if (root == RegistryRoot::CurrentUser) return ApplicationDataFolder() + "/kestrune-registry/" + name;
    return "/var/lib/kestrune-registry/" + name;
}

bool RegistryCreateKey(RegistryRoot root, std::string_view keyPath) {
    if (!registry::IsValidKeyPath(keyPath)) return false;
    return ChangeStore(root, [&](Store& store, bool& changed) { return store.CreateKey(keyPath, changed) != nullptr; });
}

bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath) {
    if (!registry::IsValidKeyPath(keyPath)) return false;
    if (IsBuiltInKey(root, keyPath)) return true;
    const LoadedStore loaded = LoadStore(RegistryStoreFile(root));
    return loaded.ok && loaded.parsed.store.FindKey(keyPath) != nullptr;
}

bool RegistrySetValue(RegistryRoot root, std::string_view keyPath, std::string_view name, std::uint32_t type,
                      std::string_view data) {
    if (!registry::IsValidKeyPath(keyPath)) return false;
    return ChangeStore(root, [&](Store& store, bool& changed) {
        StoredKey* key = KeyForChange(store, root, keyPath, changed);
        if (!key) return false;
        SetIn(*key, name, type, data);
        changed = true;
        return true;
    });
}

bool RegistryWriteValue(RegistryRoot root, std::string_view keyPath, std::string_view name, std::uint32_t type,
                        std::string_view data) {
    if (!registry::IsValidKeyPath(keyPath)) return false;
    return ChangeStore(root, [&](Store& store, bool& changed) {
        StoredKey* key = store.CreateKey(keyPath, changed);
        if (!key) return false;
        SetIn(*key, name, type, data);
        changed = true;
        return true;
    });
}

std::optional<RegistryValue> RegistryQueryValue(RegistryRoot root, std::string_view keyPath, std::string_view name) {
    if (!registry::IsValidKeyPath(keyPath)) return std::nullopt;
    // Writes replace the store by a rename, so a read without the lock still sees a whole file.
    const LoadedStore loaded = LoadStore(RegistryStoreFile(root));
    if (loaded.ok) {
        if (const StoredKey* key = loaded.parsed.store.FindKey(keyPath)) {
            if (const StoredValue* value = key->Find(name)) return RegistryValue{value->type, value->data};
        }
    }
    return BuiltInValue(root, keyPath, name);
}

bool RegistryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name) {
    if (!registry::IsValidKeyPath(keyPath)) return false;
    return ChangeStore(root, [&](Store& store, bool& changed) {
        StoredKey* key = store.FindKey(keyPath);
        if (!key) return false;
        if (!key->Erase(name)) return false;
        changed = true;
        return true;
    });
}

}  // namespace platform
