#pragma once
// Single registry values addressed by one text that joins the key path and the value name,
// split at its last "\". No guard of its own: every registry failure answers false.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace kestrune {

using platform::RegistryRoot;
constexpr std::uint32_t REG_SZ = platform::kRegSz;
constexpr std::uint32_t REG_EXPAND_SZ = platform::kRegExpandSz;

// 1-based position of the last ch in text; 0 when there is none.
int LastCharPos(char ch, std::string_view text);

bool RegWriteValue(RegistryRoot root, std::string_view valuePath, std::uint32_t valueType, const void* data,
                   std::uint32_t size);
// data receives the value's bytes when the value exists with exactly expectedType.
bool RegReadValue(RegistryRoot root, std::string_view valuePath, std::uint32_t expectedType, std::string& data,
                  std::uint32_t& size);
bool RegWriteString(RegistryRoot root, std::string_view valuePath, std::string_view text);
// text is left unchanged when the answer is false.
bool RegReadString(RegistryRoot root, std::string_view valuePath, std::string& text);
bool RegValueExists(RegistryRoot root, std::string_view valuePath);
bool RegDeleteValue(RegistryRoot root, std::string_view valuePath);

}  // namespace kestrune
