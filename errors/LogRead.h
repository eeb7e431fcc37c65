#pragma once
// Reading a log file while a window waits for it: the error log and a calling program's log are
// named by paths that anyone may have replaced with a folder, a pipe or a huge file.

#include <cstddef>
#include <string>

namespace kestrune {

struct LogRead {
    enum class Status {
        Missing,     // nothing of that name
        NotAFile,    // a folder, pipe, device or socket: never read
        Unreadable,  // a regular file that could not be opened or read
        Read,
    };
    Status status = Status::Missing;
    std::string bytes;      // the file, or its first maxBytes bytes
    bool complete = false;  // the file held no more than maxBytes bytes
};

// Opens without waiting (a pipe with no writer would otherwise hold the window for good), reads
// only a regular file, and at most maxBytes bytes of it.
// The program's own error log is read with followLinks false: a link in its place reads as
// NotAFile, and whatever it points to is never opened.
LogRead ReadLogFile(const std::string& path, std::size_t maxBytes, bool followLinks = true);

// The text cut after its last line break, so that no line is mailed half; a text without a line
// break stays as it is.
std::string WholeLinesOf(std::string text);

}  // namespace kestrune
