#pragma once
// Reading a pack file from the disk. Anything may lie where a pack is expected: a folder, a
// pipe, a link to a device, a file of any size. Only a regular file is read, and only up to
// kPackFileLimit bytes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::langpack {

inline constexpr std::size_t kPackFileLimit = 16u * 1024u * 1024u;

struct PackFile {
    enum class Status {
        Missing,  // nothing there, or a folder: the pack is skipped as absent
        Read,     // lines holds the decoded lines
        Refused,  // there is something, but no pack can be read from it; problem says why
    };
    Status status = Status::Missing;
    std::vector<std::string> lines;
    std::string problem;
};

// The lines of the pack file at path, decoded with the legacy code page of `language` (the
// language whose folder holds the file) for lines that are not UTF-8.
PackFile ReadPackFile(std::string_view path, std::string_view language);

}  // namespace kestrune::langpack
