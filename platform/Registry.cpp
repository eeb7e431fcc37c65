#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
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

int& LockWaitMs() {
    static int wait = kRegistryLockWaitMs;
    return wait;
}

std::function<void()>& BeforeWrite() {
    static std::function<void()> hook;
    return hook;
}

struct LoadedStore {
    bool ok = false;  // false when the file exists but cannot be read
    registry::ParsedStore parsed;
    std::optional<FileIdentity> identity;  // of the file read, when it stood still while read
};

// A root's store as last read or written in this run, with the identity of that file.
struct CachedStore {
    std::string file;
    FileIdentity identity;
    bool current = false;  // whether identity tells a later state of the file from this one
    LoadedStore loaded;
};

// What one run (from one installation of the notice handler to the next) knows of the stores.
struct RunState {
    std::set<std::string> told;
    // Lock files found held past the wait: every later change of the run under them fails at once.
    std::set<std::string> heldLocks;
    // All the time this run has waited for locks; together never more than one bounded wait.
    std::chrono::steady_clock::duration waited{};
    RegistryRunCounts counts;
    CachedStore stores[2];
};

RunState& Run() {
    static RunState run;
    return run;
}

void Notice(const std::string& file, const std::string& problem) {
    if (NoticeHandler() && Run().told.insert(file + "\n" + problem).second) NoticeHandler()(file + " " + problem);
}

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
    ++Run().counts.storeReads;
    loaded.identity = read.identity;
    if (!read.complete) {
        Notice(file, "is larger than " + std::to_string(kRegistryStoreLimit / 1024) + " KiB");
        return loaded;
    }
    loaded.parsed = registry::ParseStore(read.bytes);
    loaded.ok = true;
    if (!loaded.parsed.clean) Notice(file, "cannot be read cleanly");
    return loaded;
}

// A file whose last change falls in the current tick of the file system's clock may be changed
// again within that tick, in place and to the same size, without its identity showing it; such
// a file is read again until its time lies safely behind (two seconds cover the coarsest clocks).
bool ChangedJustNow(const FileIdentity& identity) {
    constexpr std::int64_t kMarginNs = 2'000'000'000;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    return identity.modifiedNs > nowNs - kMarginNs && identity.modifiedNs < nowNs + kMarginNs;
}

// The root's store as its file holds it now: read and parsed once, and again only when the file
// at that name is no longer the one read (another inode, size or time of the last change).
CachedStore& CurrentStore(RegistryRoot root) {
    const std::string file = RegistryStoreFile(root);
    CachedStore& cached = Run().stores[root == RegistryRoot::CurrentUser ? 0 : 1];
    if (cached.current && cached.file == file) {
        if (const auto now = RegularFileIdentity(file); now && *now == cached.identity) return cached;
    }
    cached = CachedStore{};
    cached.file = file;
    cached.loaded = LoadStore(file);
    if (cached.loaded.identity && !ChangedJustNow(*cached.loaded.identity)) {
        cached.identity = *cached.loaded.identity;
        cached.current = true;
    }
    return cached;
}

// The store's lock file "<store>.lock", with a word to the user when it cannot be had.
class StoreLock {
public:
    explicit StoreLock(const std::string& storeFile) : path_(storeFile + ".lock") {
        RunState& run = Run();
        if (run.heldLocks.count(path_)) return;
        lock_.emplace(path_, 0);
        if (lock_->state() == FileLock::State::Busy) {
            // Writers hold the lock for moments. Anyone who may open the file can hold it for good,
            // so the waiting is bounded, for the whole run: past it the change fails, as a refused
            // access would, and so does every later change under that lock.
            using Clock = std::chrono::steady_clock;
            const Clock::duration left = std::max<Clock::duration>(std::chrono::milliseconds(LockWaitMs()) - run.waited,
                                                                   Clock::duration::zero());
            if (left > Clock::duration::zero()) {
                ++run.counts.lockWaits;
                const Clock::time_point start = Clock::now();
                lock_.reset();
                lock_.emplace(path_, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
                run.waited += Clock::now() - start;
            }
            if (lock_->state() == FileLock::State::Busy) {
                run.heldLocks.insert(path_);
                Notice(path_, "is locked by another program");
            }
        }
        // A link, a folder or a pipe in its place is nobody's lock.
        if (lock_->state() == FileLock::State::NotAFile) Notice(path_, "is no plain file");
    }
    bool held() const { return lock_ && lock_->held(); }

private:
    std::string path_;
    std::optional<FileLock> lock_;
};

// Runs one read-modify-write of the root's store under its lock. change answers whether it
// succeeded and sets changed when the store must be written back; it works on the store as read
// (the copy of this run, when the file is still the one read), which then holds what was written.
bool ChangeStore(RegistryRoot root, const std::function<bool(Store&, bool& changed)>& change) {
    if (WritesDenied(root)) return false;
    const std::string file = RegistryStoreFile(root);
    const std::size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !CreateDirectories(file.substr(0, slash))) return false;
    StoreLock lock(file);
    if (!lock.held()) return false;
    CachedStore& cached = CurrentStore(root);
    if (!cached.loaded.ok || !cached.loaded.parsed.clean) return false;
    bool changed = false;
    std::optional<FileIdentity> written;
    bool stored = false;
    try {
        const bool done = change(cached.loaded.parsed.store, changed);
        if (done && !changed) return true;
        if (done && BeforeWrite()) BeforeWrite()();
        stored =
            done && WriteFileAtomic(file, registry::SerializeStore(cached.loaded.parsed.store), std::nullopt, &written);
    } catch (...) {
        // The run's copy may hold a part of the change that never reached the file.
        cached = CachedStore{};
        throw;
    }
    // Written under the lock, the file holds exactly this store until someone else replaces it.
    if (stored && written) {
        cached.identity = *written;
        cached.current = true;
    } else {
        cached = CachedStore{};
    }
    return stored;
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

RegistryRunCounts RegistryRunCountsForTesting() { return Run().counts; }

std::function<void()> SetRegistryBeforeWriteForTesting(std::function<void()> hook) {
    return std::exchange(BeforeWrite(), std::move(hook));
}

RegistryNoticeHandler SetRegistryNoticeHandler(RegistryNoticeHandler handler) {
    Run() = RunState{};
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
    const LoadedStore& loaded = CurrentStore(root).loaded;
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
    const LoadedStore& loaded = CurrentStore(root).loaded;
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
