#include "foundation/core/PathNames.h"

namespace kestrune {

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

std::string PathNameFault(std::string_view name, std::size_t reserveBytes) {
    if (name.empty()) return "is empty";
    if (HasControlCharacter(name)) return "holds a control character";
    if (name.find_first_of("/\\") != std::string_view::npos) return "holds \"/\" or \"\\\"";
    if (name.find("..") != std::string_view::npos) return "holds \"..\"";
    if (name.find_first_not_of(". ") == std::string_view::npos) return "is made of dots and blanks alone";
    if (name.size() > kMaxNameBytes || reserveBytes > kMaxNameBytes - name.size())
        return "is longer than a file name may be";
    return {};
}

bool IsSafePathName(std::string_view name, std::size_t reserveBytes) {
    return PathNameFault(name, reserveBytes).empty();
}

bool IsSafeRelativePath(std::string_view path) {
    if (path.empty() || path.size() > kMaxPathBytes) return false;
    while (!path.empty()) {
        const std::size_t separator = path.find_first_of("/\\");
        if (!IsSafePathName(path.substr(0, separator))) return false;
        path = separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
    }
    return true;
}

bool FitsInPath(std::string_view folder, std::size_t nameBytes) {
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.remove_suffix(1);
    return nameBytes <= kMaxPathBytes && folder.size() + 1 <= kMaxPathBytes - nameBytes;
}

}  // namespace kestrune
