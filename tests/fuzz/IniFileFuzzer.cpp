// The profile INI parser on any bytes: parsing never fails, writing the result back and parsing
// it again reads the same, and a value written through the engine reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/core/IniFile.h"

using kestrune::IniFile;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckSameReads(const IniFile& a, const IniFile& b) {
    Check(a.Sections() == b.Sections());
    for (const std::string& section : a.Sections()) {
        Check(a.Keys(section) == b.Keys(section));
        for (const std::string& key : a.Keys(section)) Check(a.Read(section, key) == b.Read(section, key));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // What follows the last \x01 byte, split at its first two NULs, names a section, a key and a
    // value to write.
    const std::size_t split = bytes.rfind('\x01');
    const std::string_view file = split == std::string_view::npos ? bytes : bytes.substr(0, split);
    const std::string_view edit = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);

    IniFile ini = IniFile::Parse(file);
    const std::string once = ini.Serialize();
    const IniFile again = IniFile::Parse(once);
    Check(again.Serialize() == once);
    CheckSameReads(ini, again);

    const std::size_t first = edit.find('\0');
    const std::size_t second = first == std::string_view::npos ? first : edit.find('\0', first + 1);
    if (second == std::string_view::npos) return 0;
    const std::string section(edit.substr(0, first));
    const std::string key(edit.substr(first + 1, second - first - 1));
    const std::string value(edit.substr(second + 1));
    const bool valid = IniFile::ValidSectionName(section) && IniFile::ValidKeyName(key) && IniFile::ValidValue(value);
    const std::string before = ini.Serialize();
    Check(ini.Write(section, key, "\"" + value + "\"") == valid);
    if (!valid) {
        Check(ini.Serialize() == before);
        return 0;
    }
    Check(ini.Read(section, key) == value);
    const IniFile written = IniFile::Parse(ini.Serialize());
    Check(written.Read(section, key) == value);
    CheckSameReads(ini, written);
    return 0;
}
