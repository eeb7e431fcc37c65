#pragma once
// The profile INI format of the program's settings files, held in memory as the lines of the file.
//
// Section and key names compare without letter case (ASCII); blanks around names and values are
// ignored; one pair of enclosing double quotes is removed when a value is read. A key that is not
// there reads as nullopt, which is not the same as an empty value. Changes keep every other line
// as it was: a new key goes after the last key of its section, a new section at the end of the
// file. Lines end in CR LF when written; CR LF and LF are both read. Bytes are kept as they are.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace kestrune {

class IniFile {
public:
    IniFile() = default;
    static IniFile Parse(std::string_view bytes);
    std::string Serialize() const;

    // The value of the first key of that name in the first section of that name.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    // Sets the value as it stands (no quotes are added). False, and nothing changed, when the
    // section, key or value cannot be stored without breaking the file (see the Valid* tests).
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    bool HasSection(std::string_view section) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;

    // Read's answers for a file that is read many times and not changed: built in one pass, each
    // answer then costs the same however large the file is.
    class Index {
    public:
        explicit Index(const IniFile& ini);
        std::optional<std::string> Read(std::string_view section, std::string_view key) const;
        bool HasSection(std::string_view section) const;

    private:
        // Lower-case section name -> lower-case key name -> value.
        std::unordered_map<std::string, std::unordered_map<std::string, std::string>> values_;
    };

    static bool ValidSectionName(std::string_view name);
    static bool ValidKeyName(std::string_view name);
    static bool ValidValue(std::string_view value);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        Kind kind = Kind::Other;
        std::string text;            // the line as it stands in the file, without its line break
        std::string name;            // section or key name, blanks removed
        std::size_t valueStart = 0;  // key lines: where the value begins in text
    };
    // Index of the section's header line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index one past the last line of the section whose header is at index.
    std::size_t SectionEnd(std::size_t header) const;
    // The value of a key line as Read answers it.
    static std::string ValueOf(const Line& line);

    std::string bom_;
    std::vector<Line> lines_;
};

// The largest settings file that is read: far beyond the few keys any of them holds.
inline constexpr std::size_t kIniFileLimit = 1024 * 1024;
// Reads a whole settings file; nullopt when it cannot be read (a missing file included), when it
// is no plain file, or when it is larger than kIniFileLimit.
std::optional<IniFile> LoadIniFile(std::string_view path);
// Writes the whole file beside the old one and renames it over it (never a truncated file).
// Nothing in the program calls this routine of the design; it is kept, with its tests.
platform::IoResult SaveIniFile(std::string_view path, const IniFile& ini);

}  // namespace kestrune
