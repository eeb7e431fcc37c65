#pragma once
// The single-instance check: another running copy of this program is noted or announced.
//
// Linux has neither named mutexes nor a list of top-level windows of other programs, so both live
// in a runtime folder of this user, closed to others: $XDG_RUNTIME_DIR/KV.Kestrune, else
// "kestrune-<uid>" in TEMP, else "kestrune-<uid>" in the user's cache folder. Without any of them
// the check is left out (a line on stderr, no error window) and the start goes on. This unit
// chooses the folder, whose subfolder "copies" must pass the same test as the folder itself;
// platform/RunningCopies.h keeps the named mutexes and the list of running copies in it.

#include <memory>
#include <string>
#include <vector>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/VersionTags.h"
#include "platform/RunningCopies.h"

namespace kestrune {

// True when no other copy was found. With Notify the other copy is told; a copy of another
// version shows a warning box that says whether it is newer, older or the same. Never stops the
// start by itself.
bool CheckSingleInstance(bool notify, WindowHandle ownerHandle, QWidget* ownerForm);

// One step of the check: the named mutex, then, when another copy holds it, the walk over the
// running copies' windows of that class (see the unit's description).
bool CheckMutexAndWindows(bool resultIn, bool isSibling, int messageId, bool notify, bool showWarning,
                          const std::string& mutexName, const std::string& className, WindowHandle ownerHandle);

// Message 1: a newer version runs; 2: an older one; 3: the same. Russian unless the stored
// language's UOCL_Language.txt gives the text. 0 answers the empty text.
std::string GetOneCopyMessage(int messageId);
// The text of "ID<n>=" in <exe dir>/Language/<language>/UOCL_Language.txt; empty when none.
std::string ReadLanguageEntry(const std::string& language, int messageId);

// The running copies' versions are ordered by CompareVersionTags (foundation/core/VersionTags.h).

// The named mutexes and the list of running copies themselves are platform/RunningCopies.h.
using platform::NamedMutex;
using platform::RunningCopyEntry;
// Puts a window of this class and version into the list of running copies; nullptr when the
// runtime folder cannot be had.
std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string& className, const std::string& version);
// Opens the named mutex and keeps it open until the process ends (or until the handle is
// closed); alreadyExisted tells whether another open handle held it before. Throws when the
// runtime folder or the mutex file cannot be had.
std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, bool& alreadyExisted);

// The folder that holds the mutexes and the list of running copies (made when missing); empty when
// no place of this user closed to others can be had.
std::string RunningCopiesFolder();

}  // namespace kestrune
