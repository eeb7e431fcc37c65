#include "foundation/core/MiniReg.h"

namespace kestrune {

int LastCharPos(char ch, std::string_view text) {
    const auto pos = text.rfind(ch);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

// Placeholder bodies: the registry procedures land with the platform layer.
bool RegWriteValue(RegistryRoot, std::string_view, std::uint32_t, const void*, std::uint32_t) { return false; }
bool RegReadValue(RegistryRoot, std::string_view, std::uint32_t, std::string&, std::uint32_t&) { return false; }
bool RegWriteString(RegistryRoot, std::string_view, std::string_view) { return false; }
bool RegReadString(RegistryRoot, std::string_view, std::string&) { return false; }
bool RegValueExists(RegistryRoot, std::string_view) { return false; }
bool RegDeleteValue(RegistryRoot, std::string_view) { return false; }

}  // namespace kestrune
