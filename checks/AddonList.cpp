#include "checks/AddonList.h"

#include <algorithm>
#include <charconv>

#include "foundation/TextLines.h"
#include "foundation/core/IniFile.h"

namespace kestrune {
namespace {

std::string Value(const IniFile::Index& ini, const std::string& section, const char* key) {
    return ini.Read(section, key).value_or(std::string());
}

// A missing or non-numeric integer reads as 0.
int Integer(const IniFile::Index& ini, const std::string& section, const char* key) {
    const std::string text = Value(ini, section, key);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// Entries are looked up for 1..COA, but never more than a fixed 100,000 of them, whatever COA
// claims and however few lines the list has: a false count costs at most what a list of 100,000
// entries costs (about as many as the reader's 1 MiB limit leaves room to name).
constexpr int kMaxEntries = 100000;

AddonEntry EntryOf(const IniFile::Index& ini, const std::string& name) {
    AddonEntry entry;
    entry.name = name;
    entry.installName = Value(ini, name, "InNm");
    entry.branch = Value(ini, name, "Prnt");
    entry.size = Value(ini, name, "Sz");
    entry.date = Value(ini, name, "dt");
    entry.version = Value(ini, name, "Vrs");
    entry.russianText = Value(ini, name, "RuT");
    entry.englishText = Value(ini, name, "EnT");
    entry.russianLink = Value(ini, name, "Lk");
    entry.englishLink = Value(ini, name, "ELk");
    return entry;
}

}  // namespace

int StoredLineCount(const std::string& bytes) {
    int lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') ++lines;
        else if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ++lines;
    }
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') ++lines;
    return lines;
}

NewListState JudgeNewList(const std::string& text, int lineCount) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7f) return NewListState::Unusable;
    }
    const IniFile::Index ini(IniFile::Parse(text));
    if (!ini.HasSection("List")) return NewListState::Unusable;
    if (Integer(ini, "List", "CntSize") > lineCount) return NewListState::Incomplete;
    return NewListState::Complete;
}

std::vector<AddonEntry> ListEntries(const std::string& text) {
    const IniFile::Index ini(IniFile::Parse(text));
    std::vector<AddonEntry> entries;
    const int count = std::min(Integer(ini, "List", "COA"), kMaxEntries);
    for (int number = 1; number <= count; ++number) {
        const auto name = ini.Read("List", "N" + std::to_string(number));
        entries.push_back(EntryOf(ini, name.value_or(std::string())));
    }
    return entries;
}

AddonEntry ListEntry(const std::string& text, const std::string& name) {
    return EntryOf(IniFile::Index(IniFile::Parse(text)), name);
}

bool IsListedAsInstalled(const std::string& installedList, const std::string& name) {
    return InstalledNames(installedList).contains(name);
}

std::unordered_set<std::string> InstalledNames(const std::string& installedList) {
    // The lines as a text-file reader takes them: a line end at the very end opens no empty line.
    // A blank line names nothing installed: an entry without an install name is never hidden.
    const std::vector<std::string> lines = TextFileLines(installedList);
    std::unordered_set<std::string> names(lines.begin(), lines.end());
    names.erase(std::string());
    return names;
}

AddonTree BuildAddonTree(const std::vector<AddonEntry>& entries, const std::string& installedList) {
    AddonTree tree;
    const std::unordered_set<std::string> installed = InstalledNames(installedList);
    for (const AddonEntry& entry : entries) {
        if (installed.contains(entry.installName)) continue;
        ++tree.offered;
        if (entry.branch != "Add" && entry.branch != "Patch") continue;
        auto branch = std::find_if(tree.branches.begin(), tree.branches.end(),
                                   [&](const AddonTree::Branch& b) { return b.kind == entry.branch; });
        if (branch == tree.branches.end()) branch = tree.branches.insert(tree.branches.end(), {entry.branch, {}});
        branch->entries.push_back(entry.name);
    }
    return tree;
}

}  // namespace kestrune
