#include "platform/Registry.h"

// Placeholder bodies: the file-backed store lands with the platform layer.
namespace platform {
bool RegistryCreateKey(RegistryRoot, std::string_view) { return false; }
bool RegistryKeyExists(RegistryRoot, std::string_view) { return false; }
bool RegistrySetValue(RegistryRoot, std::string_view, std::string_view, std::uint32_t, std::string_view) { return false; }
std::optional<RegistryValue> RegistryQueryValue(RegistryRoot, std::string_view, std::string_view) { return std::nullopt; }
bool RegistryDeleteValue(RegistryRoot, std::string_view, std::string_view) { return false; }
}  // namespace platform
