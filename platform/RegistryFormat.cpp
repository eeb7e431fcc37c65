#include "platform/RegistryFormat.h"

#include <charconv>

#include "platform/AsciiText.h"

namespace platform::registry {
namespace {

// The format's tag: a stored file keeps it whatever the product comes to be called.
constexpr std::string_view kHeader = "KV.Kestrune registry 1";

bool MustEscape(unsigned char c) { return c < 0x20 || c == 0x7f || c == '%' || c == '=' || c == '[' || c == ']'; }

void AppendEscaped(std::string& out, std::string_view text) { AppendPercentEscaped(out, text, MustEscape); }

// False when the text holds a broken escape or a byte that should have been escaped.
bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '%') {
            if (i + 2 >= text.size()) return false;
            const int high = HexDigitValue(text[i + 1]);
            const int low = HexDigitValue(text[i + 2]);
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (MustEscape(static_cast<unsigned char>(ch))) {
            return false;
        } else {
            out += ch;
        }
    }
    return true;
}

}  // namespace

bool IsValidKeyPath(std::string_view keyPath) {
    if (keyPath.empty()) return true;
    if (keyPath.front() == '\\' || keyPath.back() == '\\') return false;
    return keyPath.find("\\\\") == std::string_view::npos;
}

StoredValue* StoredKey::Find(std::string_view name) {
    const auto found = index_.find(AsciiLower(name));
    return found == index_.end() ? nullptr : &values_[found->second];
}

const StoredValue* StoredKey::Find(std::string_view name) const { return const_cast<StoredKey*>(this)->Find(name); }

void StoredKey::Set(std::string_view name, std::uint32_t type, std::string data) {
    const auto [slot, inserted] = index_.try_emplace(AsciiLower(name), values_.size());
    if (inserted) {
        values_.push_back(StoredValue{std::string(name), type, std::move(data)});
        return;
    }
    StoredValue& value = values_[slot->second];
    value.type = type;
    value.data = std::move(data);
}

bool StoredKey::Erase(std::string_view name) {
    const auto found = index_.find(AsciiLower(name));
    if (found == index_.end()) return false;
    const std::size_t position = found->second;
    index_.erase(found);
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& [folded, at] : index_)
        if (at > position) --at;
    return true;
}

Store::Store() { keys_.emplace(std::string(), StoredKey{}); }

const StoredKey* Store::FindKey(std::string_view keyPath) const {
    const auto found = keys_.find(AsciiLower(keyPath));
    return found == keys_.end() ? nullptr : &found->second;
}

StoredKey* Store::FindKey(std::string_view keyPath) {
    const auto found = keys_.find(AsciiLower(keyPath));
    return found == keys_.end() ? nullptr : &found->second;
}

StoredKey* Store::CreateKey(std::string_view keyPath, bool& created) {
    created = false;
    if (!IsValidKeyPath(keyPath)) return nullptr;
    StoredKey* key = &keys_.at(std::string());
    std::size_t start = 0;
    while (start < keyPath.size()) {
        std::size_t end = keyPath.find('\\', start);
        if (end == std::string_view::npos) end = keyPath.size();
        const std::string_view prefix = keyPath.substr(0, end);
        const std::string_view part = keyPath.substr(start, end - start);
        auto [slot, inserted] = keys_.try_emplace(AsciiLower(prefix));
        if (inserted) {
            slot->second.path = key->path.empty() ? std::string(part) : key->path + "\\" + std::string(part);
            created = true;
        }
        key = &slot->second;
        start = end + 1;
    }
    return key;
}

ParsedStore ParseStore(std::string_view text) {
    ParsedStore parsed;
    if (text.empty()) return parsed;
    std::size_t start = 0;
    bool headerSeen = false;
    StoredKey* key = nullptr;
    std::string name;
    std::string data;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            parsed.clean = false;  // a last line without its line end: the file was cut
            break;
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!headerSeen) {
            if (line != kHeader) {
                parsed.clean = false;
                return parsed;
            }
            headerSeen = true;
            continue;
        }
        if (line.empty()) continue;
        if (line.front() == '[') {
            bool created = false;
            key = nullptr;
            if (line.back() == ']' && Unescape(line.substr(1, line.size() - 2), name))
                key = parsed.store.CreateKey(name, created);
            if (!key) parsed.clean = false;
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::size_t colon = equals == std::string_view::npos ? equals : line.find(':', equals);
        std::uint32_t type = 0;
        const char* typeEnd = colon == std::string_view::npos ? nullptr : line.data() + colon;
        if (!key || !typeEnd || !Unescape(line.substr(0, equals), name) ||
            std::from_chars(line.data() + equals + 1, typeEnd, type).ptr != typeEnd || colon == equals + 1 ||
            !Unescape(line.substr(colon + 1), data)) {
            parsed.clean = false;
            continue;
        }
        key->Set(name, type, data);
    }
    return parsed;
}

std::string SerializeStore(const Store& store) {
    std::string out(kHeader);
    out += '\n';
    for (const auto& [folded, key] : store.keys()) {
        if (folded.empty() && key.values().empty()) continue;
        out += '[';
        AppendEscaped(out, key.path);
        out += "]\n";
        for (const StoredValue& value : key.values()) {
            AppendEscaped(out, value.name);
            out += '=';
            out += std::to_string(value.type);
            out += ':';
            AppendEscaped(out, value.data);
            out += '\n';
        }
    }
    return out;
}

}  // namespace platform::registry
