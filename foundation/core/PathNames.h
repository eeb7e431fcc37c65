#pragma once
// The one rule for a text from outside the program (a calling program's name or version, a
// language, a window name, the agent's file prefix and product folder) that becomes a folder or
// file name of a path, and the system's limits on names and paths.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// The most bytes one name of a path may have, and a whole path (without its terminating NUL).
inline constexpr std::size_t kMaxNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;
// The longest text that the program or its agent appends to a file prefix ("_CAC_LastEdit.ini").
inline constexpr std::size_t kLongestPrefixSuffix = 17;

// Why the text cannot stand as one name of a path, in a few words ("holds a control
// character"); empty when it can. Refused: an empty text, "/" or "\" (a path of its own), "..",
// a byte below 0x20 or DEL, a text of dots and blanks alone ("." names the folder itself), and a
// text that, with reserveBytes more appended to it, is longer than a name may be.
std::string PathNameFault(std::string_view name, std::size_t reserveBytes = 0);
bool IsSafePathName(std::string_view name, std::size_t reserveBytes = 0);

// A relative path of such names, separated by "/" or "\" ("KV.Kestrune\Prog"); one separator
// may end it. No name may be empty or refused by PathNameFault, and the whole may not be longer
// than a path may be.
bool IsSafeRelativePath(std::string_view path);

// Whether a path made of the folder, one separator and a name of nameBytes bytes stays within
// the system's limit (separators at the folder's end are not counted twice).
bool FitsInPath(std::string_view folder, std::size_t nameBytes);

// Whether the text holds a byte below 0x20 or DEL: never a part of a path, an address or a line.
bool HasControlCharacter(std::string_view text);

}  // namespace kestrune
