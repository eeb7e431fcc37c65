#pragma once
// The agent's file work: result files that are written while their bodies arrive and appear only
// when whole, empty flag files that never follow a planted link, quiet deletions, and the folders
// of the two settings modes.

#include <ctime>
#include <future>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace pellmark {

// The agent's own copy of the special folders: the same table as the program's (an empty
// Application Data value falls back to the same folder), but no cache (TEMP is read from the
// environment at every call), an empty answer above index 9, and no error reports.
std::string GetSpecialFolder(int index);

// Creates the empty file anew. Whatever stands at its name (a stale flag, a symbolic link) is
// removed first, and the file is created exclusively, so that no link is ever followed.
bool CreateEmptyFlag(const std::string& path);

// A result file written while its body arrives (platform::FileReplacement): Commit adds CR LF
// and puts the file in place. Readers see the old file, no file, or the whole new one, never a
// part, whenever the agent is stopped.
//
// A small result (one page, kUnflushedResultBytes with its CR LF, at most) is not flushed to
// disk: it is written back in one piece, so a crash of the machine leaves it whole or empty at
// its name, and the program's reader (checks/AgentResults) takes an empty file, or one without
// the closing CR LF, as no answer. A larger one could be left cut at a page's end, which may be
// a line end: it is flushed (fdatasync) beside the agent's further work before its rename.
//
// The temporary file has no name where the file system allows, so an agent killed while it writes
// leaves nothing behind; elsewhere, and for the moment between naming it and its rename, it has
// a short hidden name, ".pm" + a tag of the file prefix + "." + six random characters, which a
// later run of the same prefix removes (RemoveStaleTemporaries). Either way its length does not
// depend on the target's, so every legal result name can be written.
class ResultFile {
public:
    static constexpr std::size_t kUnflushedResultBytes = 4096;

    using Temporary = platform::FileReplacement::Temporary;

    ResultFile(const std::string& path, std::string_view filePrefix, Temporary kind = Temporary::UnnamedWherePossible);
    ~ResultFile();  // a file that was not committed is discarded
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // Creates the temporary file; false when the folder cannot take it.
    bool Open();
    bool Append(std::string_view bytes);
    // The body is whole: adds CR LF and, for a large result, starts flushing the data to disk
    // (fdatasync) beside the agent's further work. Nothing can be appended afterwards.
    bool Complete();
    // Completes the file when that has not been done, waits for its flush if it has one and puts
    // it in place; false (and the target untouched) on any failure.
    bool Commit();
    // Drops what was written; the target stays as it was.
    void Discard();

private:
    platform::FileReplacement file_;
    bool completed_ = false;
    std::size_t bytes_ = 0;
    std::future<bool> flush_;
};

// Writes a small result file whole (body and CR LF) through ResultFile.
bool WriteResultFile(const std::string& path, std::string_view filePrefix, std::string_view body);

// Start of the hidden temporary names of one file prefix: ".pm", eight hex digits, ".".
std::string TemporaryTag(std::string_view filePrefix);
// Removes the named temporary files of this prefix in the folder whose last change is older than
// maxAgeSeconds: an agent that wrote them has ended long since (it is bound by its run limit).
// Files of other prefixes, and every other file, stay.
void RemoveStaleTemporaries(const std::string& folder, std::string_view filePrefix, std::time_t maxAgeSeconds);

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
