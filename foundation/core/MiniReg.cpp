#include "foundation/core/MiniReg.h"

namespace kestrune {
namespace {

// The key path and the value name of a value path, split at its last "\"; false without one.
bool SplitValuePath(std::string_view valuePath, std::string_view& key, std::string_view& name) {
    const int p = LastCharPos('\\', valuePath);
    if (p == 0) return false;
    key = valuePath.substr(0, static_cast<std::size_t>(p - 1));
    name = valuePath.substr(static_cast<std::size_t>(p));
    return true;
}

}  // namespace

int LastCharPos(char ch, std::string_view text) {
    const auto pos = text.rfind(ch);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

bool RegWriteValue(RegistryRoot root, std::string_view valuePath, std::uint32_t valueType, const void* data,
                   std::uint32_t size) {
    std::string_view key, name;
    if (!SplitValuePath(valuePath, key, name)) return false;
    if (size > 0 && data == nullptr) return false;
    const std::string_view bytes =
        size > 0 ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
    return platform::RegistryWriteValue(root, key, name, valueType, bytes);
}

bool RegReadValue(RegistryRoot root, std::string_view valuePath, std::uint32_t expectedType, std::string& data,
                  std::uint32_t& size) {
    std::string_view key, name;
    if (!SplitValuePath(valuePath, key, name)) return false;
    auto value = platform::RegistryQueryValue(root, key, name);
    if (!value || value->type != expectedType) return false;
    size = static_cast<std::uint32_t>(value->data.size());
    data = std::move(value->data);
    return true;
}

bool RegWriteString(RegistryRoot root, std::string_view valuePath, std::string_view text) {
    std::string bytes(text);
    bytes += '\0';
    return RegWriteValue(root, valuePath, REG_SZ, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

bool RegReadString(RegistryRoot root, std::string_view valuePath, std::string& text) {
    std::string data;
    std::uint32_t size = 0;
    if (!RegReadValue(root, valuePath, REG_SZ, data, size)) return false;
    // The terminating NUL is dropped; a value stored without one keeps its last character.
    if (!data.empty() && data.back() == '\0') data.pop_back();
    text = std::move(data);
    return true;
}

bool RegValueExists(RegistryRoot root, std::string_view valuePath) {
    std::string_view key, name;
    if (!SplitValuePath(valuePath, key, name)) return false;
    return platform::RegistryQueryValue(root, key, name).has_value();
}

bool RegDeleteValue(RegistryRoot root, std::string_view valuePath) {
    std::string_view key, name;
    if (!SplitValuePath(valuePath, key, name)) return false;
    return platform::RegistryDeleteValue(root, key, name);
}

}  // namespace kestrune
