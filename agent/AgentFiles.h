#pragma once
// The agent's file work: result files that appear only when whole, empty flag files that never
// follow a planted link, quiet deletions, and the folders of the two settings modes.

#include <string>
#include <string_view>

namespace pellmark {

// The agent's own copy of the special folders: the same table as the program's (an empty
// Application Data value falls back to the same folder), but no cache (TEMP is read from the
// environment at every call), an empty answer above index 9, and no error reports.
std::string GetSpecialFolder(int index);

// Creates the empty file anew. Whatever stands at its name (a stale flag, a symbolic link) is
// removed first, and the file is created exclusively, so that no link is ever followed.
bool CreateEmptyFlag(const std::string& path);
// Writes the body followed by CR LF through a temporary file beside it: readers see the old
// file, no file, or the whole new one, never a part.
bool WriteResultFile(const std::string& path, std::string_view body);
// Deletes a file; a missing file or a failure is ignored.
void DeleteQuietly(const std::string& path);
// The text up to the first CR or LF.
std::string FirstLine(std::string_view text);
// The first line of a file; empty when the file is missing or cannot be read.
std::string FirstLineOfFile(const std::string& path);

// A file prefix may not lead out of its folder or carry control characters: no "/", "\", "..",
// byte below 32 or DEL.
bool IsSafeFilePrefix(std::string_view prefix);
// The product folder is a relative path below Application Data: "/" or "\" may separate its
// names, but no name may be "." or "..", and no control character may stand in it.
bool IsSafeProductFolder(std::string_view folder);

}  // namespace pellmark
