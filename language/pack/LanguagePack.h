#pragma once
// The language pack format, free of Qt: reading a pack file into lines, its header and credits,
// the section and entry lines of the working language list, and the text replacements.
//
// A pack is a text file of lines (CR LF or LF). Lines starting with "//" or "\\" are comments.
// The first two other lines are the native name and the pack tag; credit lines
// ("TranslateAuthor=", "TranslateAuthorUrl=", "TranslateAuthorMail=", any letter case) name the
// translator. From the first line starting with "[|" on, every non-comment line is body:
//
//     [|UFormError|]          section of a window or frame
//     <|Button3|>             text entry of a component
//     Ignore                  value lines: the first replaces, the others add a line
//     <|Hint-Button3|>        hint entry
//
// Nothing here fails on any input: names are cut from lines of any length without going past
// either end, and a line that fits no rule is just a value, header or ignored line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Product.h"

namespace kestrune::langpack {

// The product name put in for "[%pn]" in window captions.
inline constexpr std::string_view kProductName = kestrune::kProductName;
inline constexpr std::string_view kProductPlaceholder = "[%pn]";

// The Windows code pages in which older packs (and the logs of older programs) were written.
enum class LegacyCodePage { Cp1250 = 1250, Cp1251 = 1251, Cp1252 = 1252, Cp1253 = 1253, Cp1254 = 1254 };

// The code page a language's older texts are in, by the language's folder name in any letter
// case: Cyrillic-script languages 1251, Central European 1250, Greek 1253, Turkish 1254, every
// other language 1252.
LegacyCodePage LegacyCodePageOf(std::string_view language);

// Text bytes as UTF-8, line by line: a UTF-8 byte-order mark at the start is dropped (and
// makes every valid UTF-8 line UTF-8); a line that is not UTF-8 is read in the legacy code page,
// so a stray byte spoils one line, never the file. A valid UTF-8 line that reads as words of the
// code page and as UTF-8 holds a character the code page cannot write ("Ні" in 1251) is legacy
// text, whatever the other lines are. A last line cut inside its last UTF-8 character stays
// UTF-8 (the cut character is dropped) unless it reads as words of the code page ("Рік" in
// 1251). Line ends are kept. docs/language.md gives the rule.
std::string DecodePackText(std::string_view bytes, LegacyCodePage legacy);
bool IsValidUtf8(std::string_view bytes);
std::string LegacyToUtf8(std::string_view bytes, LegacyCodePage codePage);

// Lines of a text; CR LF and a bare LF end a line. A last line without an end counts; an end
// at the very end of the text adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// False for the comment prefixes "//" and "\\", true for anything else.
bool IsNotCommentPrefix(std::string_view prefix);
bool IsCommentLine(std::string_view line);

bool StartsWith(std::string_view text, std::string_view prefix);
// Letter case without the locale: platform/AsciiText.h.

inline bool IsSectionHeader(std::string_view line) { return StartsWith(line, "[|"); }
inline bool IsMarker(std::string_view line) { return StartsWith(line, "<|"); }
inline bool IsHintMarker(std::string_view line) { return StartsWith(line, "<|Hint-"); }
// A text marker of a component whose design text is kept ("<|NTC...", letter case as written).
inline bool IsKeptTextMarker(std::string_view line) { return StartsWith(line, "<|NTC"); }

// The text between the first `head` and the last `tail` characters; empty when the line is
// too short to hold both.
std::string_view Between(std::string_view line, std::size_t head, std::size_t tail);
// "[|Name|]" -> "Name"; "<|Name|>" -> "Name"; "<|Hint-Name|>" -> "Name".
inline std::string_view SectionName(std::string_view line) { return Between(line, 2, 2); }
inline std::string_view MarkerName(std::string_view line) {
    return IsHintMarker(line) ? Between(line, 7, 2) : Between(line, 2, 2);
}

// The first two non-comment lines of a pack; past the end of the file they are empty.
struct PackHeader {
    std::string nativeName;
    std::string tag;
};
PackHeader ReadPackHeader(const std::vector<std::string>& lines);

struct Credits {
    std::string name;
    std::string url;
    std::string mail;
};

// Appends the body lines of a pack to `target`. With `credits`, every non-comment line is
// also tested for the three credit keys, and the rest of a matching line is stored there.
void AppendPackBody(const std::vector<std::string>& lines, std::vector<std::string>& target, Credits* credits);

// Index of the line after the next section header at or after `start` whose name equals
// `name` without regard to letter case; 0 when there is none.
std::size_t FindNextSection(const std::vector<std::string>& list, std::size_t start, std::string_view name);
// Index of the last line of the section that begins at `start`: the line before the next
// section header, or the last line of the list. 0 when `start` is 0 or the list is empty.
std::size_t FindSectionEnd(const std::vector<std::string>& list, std::size_t start);

// One entry of a section: the component it names, whether it is the hint, and its value
// lines. `name` is empty for a kept-text ("<|NTC") entry, whose values are not applied.
struct SectionEntry {
    std::string_view name;
    bool hint = false;
    std::vector<std::string_view> values;
};
// The entries of the lines first..last of the list, in order; lines before the first marker
// are skipped. `last` beyond the list is taken as its last line.
std::vector<SectionEntry> ReadSectionEntries(const std::vector<std::string>& list, std::size_t first, std::size_t last);

// Every occurrence of the pattern replaced, left to right; the replacement is never searched
// again, so a replacement that contains the pattern, or an empty pattern, ends. `count`
// receives the number of replacements.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view value, int* count = nullptr);
// 1-based position of the first occurrence; 0 when absent, when the pattern is empty or longer
// than the text.
std::size_t FindSubstring(std::string_view text, std::string_view pattern);
// The caption text with every "[%pn]" replaced by the product name.
std::string ReplaceProductName(std::string_view text);

}  // namespace kestrune::langpack
