#include "foundation/core/IniFile.h"

#include <algorithm>

#include "platform/AsciiText.h"

namespace kestrune {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) { return platform::AsciiTrimmed(text, platform::kLineBlanks); }

bool BreaksLine(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != npos; }

bool HasOuterBlanks(std::string_view text) { return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back())); }

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
    IniFile ini;
    if (bytes.substr(0, kBom.size()) == kBom) {
        ini.bom_ = kBom;
        bytes.remove_prefix(kBom.size());
    }
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view text = bytes.substr(0, lf);
        bytes.remove_prefix(lf == npos ? bytes.size() : lf + 1);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);

        Line line;
        line.text = text;
        const std::string_view trimmed = Trimmed(text);
        if (!trimmed.empty() && trimmed.front() == '[') {
            line.kind = Kind::Section;
            line.name = Trimmed(trimmed.substr(1, trimmed.find(']') == npos ? npos : trimmed.find(']') - 1));
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            const std::size_t equals = text.find('=');
            if (equals != npos && !Trimmed(text.substr(0, equals)).empty()) {
                line.kind = Kind::Key;
                line.name = Trimmed(text.substr(0, equals));
                line.valueStart = equals + 1;
            }
        }
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

std::string IniFile::Serialize() const {
    std::string bytes = bom_;
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += "\r\n";
    }
    return bytes;
}

std::size_t IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && platform::AsciiEqualsNoCase(lines_[i].name, section)) return i;
    return npos;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::Section) ++end;
    return end;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == npos) return std::nullopt;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Key || !platform::AsciiEqualsNoCase(line.name, key)) continue;
        return ValueOf(line);
    }
    return std::nullopt;
}

std::string IniFile::ValueOf(const Line& line) {
    std::string_view value = Trimmed(std::string_view(line.text).substr(line.valueStart));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
}

IniFile::Index::Index(const IniFile& ini) {
    // Only the first section of a name counts, and in it the first key of a name.
    std::unordered_map<std::string, std::string>* section = nullptr;
    for (const Line& line : ini.lines_) {
        if (line.kind == Kind::Section) {
            const auto [place, fresh] = values_.try_emplace(platform::AsciiLower(line.name));
            section = fresh ? &place->second : nullptr;
        } else if (line.kind == Kind::Key && section) {
            section->try_emplace(platform::AsciiLower(line.name), ValueOf(line));
        }
    }
}

std::optional<std::string> IniFile::Index::Read(std::string_view section, std::string_view key) const {
    const auto found = values_.find(platform::AsciiLower(section));
    if (found == values_.end()) return std::nullopt;
    const auto value = found->second.find(platform::AsciiLower(key));
    if (value == found->second.end()) return std::nullopt;
    return value->second;
}

bool IniFile::Index::HasSection(std::string_view section) const {
    return values_.contains(platform::AsciiLower(section));
}

bool IniFile::ValidSectionName(std::string_view name) {
    return !name.empty() && !BreaksLine(name) && name.find(']') == npos && !HasOuterBlanks(name);
}

bool IniFile::ValidKeyName(std::string_view name) {
    return !name.empty() && !BreaksLine(name) && name.find('=') == npos && !HasOuterBlanks(name) &&
           name.front() != '[' && name.front() != ';';
}

bool IniFile::ValidValue(std::string_view value) { return !BreaksLine(value); }

bool IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidSectionName(section) || !ValidKeyName(key) || !ValidValue(value)) return false;
    Line fresh;
    fresh.kind = Kind::Key;
    fresh.name = key;
    fresh.text = std::string(key) + "=" + std::string(value);
    fresh.valueStart = key.size() + 1;

    const std::size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty() && !Trimmed(lines_.back().text).empty()) lines_.push_back(Line{});
        Line head;
        head.kind = Kind::Section;
        head.name = section;
        head.text = "[" + std::string(section) + "]";
        lines_.push_back(std::move(head));
        lines_.push_back(std::move(fresh));
        return true;
    }
    const std::size_t end = SectionEnd(header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::Key) continue;
        if (platform::AsciiEqualsNoCase(line.name, key)) {
            line.text = line.text.substr(0, line.valueStart) + std::string(value);
            return true;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(fresh));
    return true;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != npos; }

std::vector<std::string> IniFile::Sections() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
        if (line.kind == Kind::Section && std::none_of(names.begin(), names.end(), [&](const std::string& n) {
                return platform::AsciiEqualsNoCase(n, line.name);
            }))
            names.push_back(line.name);
    return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> names;
    const std::size_t header = FindSection(section);
    if (header == npos) return names;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key && std::none_of(names.begin(), names.end(), [&](const std::string& n) {
                return platform::AsciiEqualsNoCase(n, lines_[i].name);
            }))
            names.push_back(lines_[i].name);
    return names;
}

std::optional<IniFile> LoadIniFile(std::string_view path) {
    // A pipe or a device in a settings file's place would block the start or never end, and a huge
    // file would cost every start its size.
    const std::optional<std::string> bytes = platform::ReadRegularFileLimited(path, kIniFileLimit);
    if (!bytes) return std::nullopt;
    return IniFile::Parse(*bytes);
}

platform::IoResult SaveIniFile(std::string_view path, const IniFile& ini) {
    return platform::WriteFileAtomic(path, ini.Serialize());
}

}  // namespace kestrune
