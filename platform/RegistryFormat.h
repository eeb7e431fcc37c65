#pragma once
// The registry store's file format and its in-memory model, without any file access.
//
//     KV.Kestrune registry 1
//     [SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
//     KV.Kestrune=1:/opt/KV.Kestrune/KV.Kestrune%00
//
// The first line names the format. A key line holds the key's path in brackets ("[]" is the root
// itself); the value lines below it hold name "=" type ":" data, with the type in decimal. Names,
// paths and data escape the bytes below 0x20, 0x7F and the characters % = [ ] as %XX (two
// upper-case hex digits); every other byte stands as it is, so UTF-8 text stays readable. An empty
// name is the key's unnamed default value. Every line ends with LF.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::registry {

struct StoredValue {
    std::string name;  // as first written
    std::uint32_t type = 0;
    std::string data;
};

// A key's values in the order they were first written, found by folded name in constant time.
class StoredKey {
public:
    std::string path;  // as first written, parts joined by "\"

    StoredValue* Find(std::string_view name);
    const StoredValue* Find(std::string_view name) const;
    // Sets the value; a new name is added after the others, a known one keeps its spelling.
    void Set(std::string_view name, std::uint32_t type, std::string data);
    // False when there is no value of that name.
    bool Erase(std::string_view name);
    const std::vector<StoredValue>& values() const { return values_; }

private:
    std::vector<StoredValue> values_;
    std::unordered_map<std::string, std::size_t> index_;  // folded name -> position in values_
};

// Names compare with ASCII letters folded to lower case (platform/AsciiText.h).

// A key path is valid when it is empty (the root) or every part between "\" is non-empty.
bool IsValidKeyPath(std::string_view keyPath);

class Store {
public:
    // Keys by folded path; the root ("") is always present.
    Store();
    const StoredKey* FindKey(std::string_view keyPath) const;
    StoredKey* FindKey(std::string_view keyPath);
    // Finds or creates the key and its missing parents; new parts keep the spelling given, known
    // parts keep theirs. Null when the path is not valid.
    StoredKey* CreateKey(std::string_view keyPath, bool& created);
    const std::map<std::string, StoredKey>& keys() const { return keys_; }

private:
    std::map<std::string, StoredKey> keys_;
};

struct ParsedStore {
    Store store;
    bool clean = true;  // false when any line could not be read: such a store is never rewritten
};

ParsedStore ParseStore(std::string_view text);
std::string SerializeStore(const Store& store);

}  // namespace platform::registry
