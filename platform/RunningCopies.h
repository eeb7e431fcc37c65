#pragma once
// Named mutexes and the list of running copies of the program, for its single-instance check. No
// Qt. The caller chooses the runtime folder, a folder of this user closed to others with a private
// subfolder "copies", and passes it in.
//
// Linux has neither named mutexes nor a list of the top-level windows of other programs, so both
// live in files of that folder:
// - a named mutex is the file "<name>.mutex" (the name %XX-escaped); every copy that opened it
//   holds a record lock on its own byte of it, which the kernel drops when the copy ends, however
//   it ends; openers take turns on "<name>.opening", so that of two starts at once exactly one
//   creates the mutex;
// - each window is a file "copies/<pid>-<n>.copy" beginning with the caller's tag and naming its
//   class and version, locked by its copy for as long as it runs; an entry whose lock is free
//   belongs to a copy that died and is ignored, and every publication clears such entries away
//   (with "<pid>-<n>.tmp" entries that a copy killed while it made them left).
// A message to another copy's window is a line in its file "copies/<pid>-<n>.messages".

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A named mutex this process holds open; it stays open until it is freed or the process ends.
class NamedMutex {
public:
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    const std::string& path() const { return path_; }

private:
    friend std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string&, const std::string&, bool&);
    NamedMutex(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_;
};
// Opens the named mutex in the runtime folder; alreadyExisted tells whether another open handle
// held it before. Throws when there is no folder or the mutex file cannot be had.
std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& runtimeFolder, const std::string& name,
                                           bool& alreadyExisted);

// A window of a running copy, as other copies see it. Lives until it is freed or its copy ends.
class RunningCopyEntry {
public:
    ~RunningCopyEntry();
    RunningCopyEntry(const RunningCopyEntry&) = delete;
    RunningCopyEntry& operator=(const RunningCopyEntry&) = delete;
    const std::string& path() const { return path_; }
    // Message numbers sent to this window, oldest first; each is answered once.
    std::vector<int> TakeMessages();

private:
    friend std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string&, std::string_view,
                                                                const std::string&, const std::string&);
    RunningCopyEntry(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_;
};
// Puts a window of this class and version into the list, its entry beginning with tag, once the
// entries of copies that died are gone; nullptr without a runtime folder. Throws when the entry
// cannot be made.
std::unique_ptr<RunningCopyEntry> PublishRunningCopy(const std::string& runtimeFolder, std::string_view tag,
                                                     const std::string& className, const std::string& version);

// A window in the list as ListRunningCopies finds it.
struct RunningCopy {
    std::string path;
    std::string className;
    std::string version;
};
// Every window in the list whose copy still runs and whose entry begins with tag. An entry left by
// a copy that died is cleared away, only while it is still the very file that was found dead.
std::vector<RunningCopy> ListRunningCopies(const std::string& runtimeFolder, std::string_view tag);
// Sends the message number to the window; throws when it cannot be sent.
void PostRunningCopyMessage(const RunningCopy& copy, int message);

}  // namespace platform
