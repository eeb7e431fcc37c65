#include "agent/AgentFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/core/SystemFolders.h"
#include "platform/FileSystem.h"

namespace pellmark {

namespace {

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

}  // namespace

std::string GetSpecialFolder(int index) {
    // The program's own lookup reads the registry folders anew at every call; only its TEMP
    // cache and its answer above index 9 differ from the agent's.
    if (index == 1) return kestrune::TempDirFromEnvironment();
    if (index < 0 || index > 9) return {};
    return kestrune::GetSpecialFolder(index);
}

bool CreateEmptyFlag(const std::string& path) {
    const std::string native = platform::NativePath(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        unlink(native.c_str());
        // O_EXCL never follows a link: a name planted between the unlink and here fails with EEXIST.
        const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return close(fd) == 0;
        if (errno != EEXIST) return false;
    }
    return false;
}

bool WriteResultFile(const std::string& path, std::string_view body) {
    std::string bytes;
    bytes.reserve(body.size() + 2);
    bytes.append(body);
    bytes.append("\r\n");
    return platform::WriteFileAtomic(path, bytes).ok;
}

void DeleteQuietly(const std::string& path) { platform::RemoveFile(path); }

std::string FirstLine(std::string_view text) { return std::string(text.substr(0, text.find_first_of("\r\n"))); }

std::string FirstLineOfFile(const std::string& path) {
    const auto bytes = platform::ReadWholeFile(path);
    return bytes ? FirstLine(*bytes) : std::string();
}

bool IsSafeFilePrefix(std::string_view prefix) {
    return prefix.find_first_of("/\\") == std::string_view::npos && prefix.find("..") == std::string_view::npos &&
           !HasControlCharacter(prefix);
}

bool IsSafeProductFolder(std::string_view folder) {
    if (HasControlCharacter(folder)) return false;
    while (!folder.empty()) {
        const std::size_t separator = folder.find_first_of("/\\");
        const std::string_view name = folder.substr(0, separator);
        if (name == "." || name == "..") return false;
        folder = separator == std::string_view::npos ? std::string_view() : folder.substr(separator + 1);
    }
    return true;
}

}  // namespace pellmark
