#pragma once
// The maker's list of add-ons and patches: an INI text with a section "List" (COA entries named N1,
// N2, ..., and CntSize, the line count of the complete file) and one section per entry (InNm, Prnt,
// Sz, dt, Vrs, RuT, EnT, Lk, ELk). Pure functions, no files; each reads its text once, so a list
// costs time in proportion to its size.

#include <string>
#include <unordered_set>
#include <vector>

namespace kestrune {

// A new list as the agent left it: whether it may replace the accepted list.
enum class NewListState {
    Complete,    // accept it
    Incomplete,  // fewer lines than CntSize: still being written; look again later
    Unusable,    // empty, no "List" section, or not text: never accepted
};

// lineCount: the lines of the stored file (a last line without a line end counts; an empty file 0).
NewListState JudgeNewList(const std::string& text, int lineCount);

// Lines of a stored file as the completeness test counts them.
int StoredLineCount(const std::string& bytes);

struct AddonEntry {
    std::string name;  // section name and tree caption
    std::string installName, branch, size, date, version, russianText, englishText, russianLink, englishLink;
};

// The entries 1..COA of the list, in list order; keys that are missing read as empty text.
std::vector<AddonEntry> ListEntries(const std::string& text);
AddonEntry ListEntry(const std::string& text, const std::string& name);

// Whether a whole line of InstallComponents.ini equals the name exactly (letter case and blanks
// count). CR LF, LF and CR end a line; the line end of the last line opens no empty line.
// Nothing in the program calls this routine of the design; it is kept, with its tests.
bool IsListedAsInstalled(const std::string& installedList, const std::string& name);
// The names of InstallComponents.ini by the same rule, to be looked up many times.
std::unordered_set<std::string> InstalledNames(const std::string& installedList);

// The tree the window shows: top-level branches in the order their first entries come, each with
// its entries in list order. Entries installed, and entries of another branch than "Add" and
// "Patch" (compared exactly), get no node; the latter still count as offered.
struct AddonTree {
    struct Branch {
        std::string kind;  // "Add" or "Patch"
        std::vector<std::string> entries;
    };
    std::vector<Branch> branches;
    int offered = 0;
};
AddonTree BuildAddonTree(const std::vector<AddonEntry>& entries, const std::string& installedList);

}  // namespace kestrune
