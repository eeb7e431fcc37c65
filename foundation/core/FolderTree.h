#pragma once
// Copying and deleting files and folder trees, over the walks of platform/FolderWalks. Needs no
// Qt: the one thing it asks of the program around it, letting the event loop run while a long
// delete goes on, comes through a hook.

#include <string>

namespace kestrune {

// Copies a file (or, with an empty fileName, a file or folder tree into destFolder). Each file is
// written beside its target and renamed over it, so a target is never left half-copied, and keeps
// the mode of its source. Only plain files of up to 64 MiB are copied; the temporaries that killed
// writes left (platform::IsWriteTemporaryName) stay behind. With
// failIfExists an existing target is kept. Answers true when the target holds a complete copy
// afterwards (or was kept); false when anything could not be copied.
bool CopyFileTo(const std::string& source, const std::string& destFolder, const std::string& fileName,
                bool failIfExists);
// The shell's copy of one file or folder tree to the target path (into it when it is a folder).
// Nothing in the program calls this routine of the design; it is kept.
bool ShellCopy(const std::string& source, const std::string& target);
// Copies the contents of fromFolder into toFolder (made when missing). True when all was copied.
bool CopyDirectory(const std::string& fromFolder, const std::string& toFolder, bool failIfExists);
// Deletes a folder with everything in it, letting the event loop run before each sub-folder.
// Refuses an empty or relative path, the root and a path with "..". Symbolic links inside are
// removed themselves, never followed; a link given as the folder is removed, not its target. A
// tree of any depth is walked without recursion and with a bounded number of open folders.
// Answers true when nothing of the folder is left. What stays (an entry of another user's folder,
// say) is reported: a line on stderr naming the first entries that stayed and why, the failure
// handed to the error processor, and FolderRemovalFailed set.
bool DeleteDirectory(const std::string& folder);
// Set by every DeleteDirectory that left something behind in this run; the program's exit status
// tells the calling program.
extern bool FolderRemovalFailed;

// The folder text given exactly one separator at its end ("\" unless it ends in "/").
std::string WithTrailingSeparator(const std::string& folder);

// Run before each sub-folder that DeleteDirectory enters; foundation installs one that lets the
// event loop run. Answers the hook it replaced; nullptr for none.
using FolderTreeEventHook = void (*)();
FolderTreeEventHook SetFolderTreeEventHook(FolderTreeEventHook hook);

}  // namespace kestrune
