#pragma once
// The walks over folder trees that the program's copy and delete procedures
// (foundation/core/FolderTree) stand on. No Qt. Paths are native paths.

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Copies one entry (a file, a link, a folder tree) to exactly the target path, never following
// links; the folder's listing is taken before anything is copied, so a target inside the source
// stays out. Files are written beside their target and renamed over it, with their source's
// mode; only regular files of at most fileLimit bytes are copied, and the temporaries of killed
// writes (IsWriteTemporaryName) are left out. With failIfExists an existing target is kept.
// True when the target holds a complete copy afterwards (or was kept).
bool CopyTreeEntry(const std::string& source, const std::string& target, bool failIfExists, std::size_t fileLimit);

// What stayed of a removed tree: how many entries, and the first kNamedRemovalFailures of them
// named with their reason, "path: reason" each (the names as the folders hold them, unescaped).
struct TreeRemoval {
    std::size_t count = 0;
    std::vector<std::string> named;
};
inline constexpr std::size_t kNamedRemovalFailures = 10;
// Removes the entry at the absolute path with everything in it, walking the tree without
// recursion and through descriptors opened without following links, so nothing outside the tree
// is reached even when an entry is replaced meanwhile; at most a bounded number of folders stay
// open at once. A link is removed itself; a plain file given as the folder stays. beforeFolder
// (when given) runs before each sub-folder is entered. A missing path or parent leaves nothing.
TreeRemoval RemoveTree(const std::string& path, void (*beforeFolder)());

}  // namespace platform
