#pragma once
// File-system boundary. Paths inside the program are texts built with both "\" and "/", as the
// program has always built them; NativePath turns such a text into a Linux path, and every
// function here does that itself, so callers pass the program's own path texts.

#include <dirent.h>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// "\" becomes "/". Nothing else changes: "//" is harmless to Linux.
std::string NativePath(std::string_view path);

// True when the file's age can be read (the program's test of "present"): any existing entry.
bool FileAgeReadable(std::string_view path);
bool IsDirectory(std::string_view path);
bool IsRegularFile(std::string_view path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool CreateDirectories(std::string_view path);

struct IoResult {
    bool ok = false;
    int error = 0;        // errno of the failing step, 0 on success
    std::string message;  // what failed, for a caller that shows or logs it
    explicit operator bool() const { return ok; }
};

// Whole-file read; nullopt when the file cannot be opened or read.
std::optional<std::string> ReadWholeFile(std::string_view path);

// A read of a file that anyone may have replaced with a folder, a pipe, a device or a huge file.
struct RegularFileRead {
    enum class Status {
        Missing,     // nothing of that name (a dangling link included)
        Folder,      // a folder of that name
        NotAFile,    // a pipe, device or socket: never opened for reading
        Unreadable,  // a regular file that could not be opened or read
        Read,
    };
    Status status = Status::Missing;
    std::string bytes;      // the file, or its first maxBytes bytes
    bool complete = false;  // the file held no more than maxBytes bytes
    int error = 0;          // errno of a failed open or read
};

// Reads only a regular file, and at most maxBytes of it. Nothing that is not a regular file is
// opened, and the open itself never waits (a pipe swapped in meanwhile is found and left).
RegularFileRead ReadRegularFile(std::string_view path, std::size_t maxBytes);

// Writes a whole file so that it is never seen half-written: the bytes go to a temporary file
// beside the target, are flushed to disk, and the temporary file is renamed over the target.
// On any failure the old file is untouched and the temporary file is gone.
IoResult WriteFileAtomic(std::string_view path, std::string_view bytes);

// Entry names of a folder, "." and ".." left out, sorted by name so that every run enumerates
// in the same order. Empty when the folder cannot be listed.
std::vector<std::string> ListDirectory(std::string_view path);
// The same for a folder that the caller opened (opendir, fdopendir) and closes itself.
std::vector<std::string> ListOpenDirectory(DIR* dir);

bool RemoveFile(std::string_view path);

// ReadRegularFile for callers that need only the bytes: only a regular file is read (a folder,
// device or pipe is refused, and the open never waits on a pipe), and at most limit bytes. nullopt when it is missing, not a regular file or cannot be read; tooLarge (when
// given) tells whether the file held more than limit bytes, in which case nothing is answered.
std::optional<std::string> ReadRegularFileLimited(std::string_view path, std::size_t limit, bool* tooLarge = nullptr);

}  // namespace platform
