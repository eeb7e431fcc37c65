#pragma once
// A registry store backed by files, in place of the Windows registry.
//
// Two roots: HKEY_CURRENT_USER lives in the user's configuration folder, HKEY_LOCAL_MACHINE in a
// machine-wide folder. KESTRUNE_REGISTRY=<folder> moves the whole store below that folder (tests).
// KESTRUNE_REGISTRY_DENY_WRITE=<root name>[,<root name>] makes every write under those roots fail,
// as a refused access would (root ignores file modes, so tests cannot use them for this).
//
// Key paths are written with "\"; key and value names compare without letter case (ASCII letters)
// and are kept as first written. An empty key path is the root itself; a path with an empty part
// ("a\\b", "\a", "a\") names no key. Every change is made under an exclusive lock on a file
// beside the store, so that two programs writing at once keep each other's values, and reaches
// the disk through a temporary file renamed over the store. A store that cannot be read back
// cleanly is never rewritten: writes then fail and leave it as it is. The store is read as a file
// that anyone may have replaced: a pipe, a device or a folder in its place is never opened for
// reading, and a file larger than kRegistryStoreLimit is not read; such a store, too, is left as
// it is, reads answer only the built-in values and writes fail. A run reads a store once and
// keeps it: the file is read again only when it is another than the one read (another inode, size
// or time of the last change), and a change keeps what it wrote. The store is used from one
// thread.
//
// The "Shell Folders" values that Windows keeps for its special folders are answered from the
// XDG and FHS folders of this system unless a value of that name has been written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

struct RegistryValue {
    std::uint32_t type = 0;
    std::string data;  // raw bytes, as written (a REG_SZ carries its terminating NUL)
};

// Creates the key and its missing parents. False when the root cannot be written.
bool RegistryCreateKey(RegistryRoot root, std::string_view keyPath);
bool RegistryKeyExists(RegistryRoot root, std::string_view keyPath);
// Sets a value in an existing key. False when the key is missing or the root cannot be written.
bool RegistrySetValue(RegistryRoot root, std::string_view keyPath, std::string_view name, std::uint32_t type,
                      std::string_view data);
// The value, or nullopt when the key or the value is missing.
std::optional<RegistryValue> RegistryQueryValue(RegistryRoot root, std::string_view keyPath, std::string_view name);
// False when the key or the value is missing or the root cannot be written.
bool RegistryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name);

// Creates the key and its missing parents and sets the value, in one change of the store.
bool RegistryWriteValue(RegistryRoot root, std::string_view keyPath, std::string_view name, std::uint32_t type,
                        std::string_view data);

// The largest store that is read: far beyond what the program keeps there (a few values), small
// enough that a store grown by someone else costs no start more than moments.
inline constexpr std::size_t kRegistryStoreLimit = 1024 * 1024;

// How long a change waits for the store's lock before it fails ("<store>.lock is locked by
// another program"): far beyond any write of the program, also on a busy machine with other
// writers queued, short enough that no start is held for long. It bounds all the waiting of a
// run: a lock found held past it fails every later change under it at once, and a change that
// finds another lock held once the run has waited that long fails at once too. Tests shorten it;
// answers the wait it replaced.
inline constexpr int kRegistryLockWaitMs = 10000;
int SetRegistryLockWaitForTesting(int milliseconds);

// Who hears of a store that cannot be read or written ("<file> is no plain file"): each file and
// problem is told once to a handler. Nobody hears until the program installs a handler (Pellmark
// never does). Installing one begins a run: what was told, the locks given up, the time waited
// and the stores read are forgotten. Answers the handler it replaced.
using RegistryNoticeHandler = std::function<void(const std::string& text)>;
RegistryNoticeHandler SetRegistryNoticeHandler(RegistryNoticeHandler handler);

// What this run has done with the stores, for tests: how often a store file was read (and
// parsed), and how many changes found their lock held and waited for it.
struct RegistryRunCounts {
    int storeReads = 0;
    int lockWaits = 0;
};
RegistryRunCounts RegistryRunCountsForTesting();

// Runs inside a change, after the store was changed and before it is written; tests throw from it
// to stand for a change that fails half-way (out of memory, say). Answers the hook it replaced.
std::function<void()> SetRegistryBeforeWriteForTesting(std::function<void()> hook);

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* RegistryRootName(RegistryRoot root);
// The file that holds the root's keys: <KESTRUNE_REGISTRY>/<root name>.reg when that variable is
// set, else <Application Data>/kestrune-registry/HKEY_CURRENT_USER.reg and
// /var/lib/kestrune-registry/HKEY_LOCAL_MACHINE.reg.
std::string RegistryStoreFile(RegistryRoot root);

}  // namespace platform
