#pragma once
// The one reader of the files the check agent leaves, for every online check.
//
// The agent publishes each result file by renaming a finished temporary file into place, so a
// killed agent never leaves a part at the name; the reader takes only a regular file at that name
// (never a folder, device, pipe or the agent's temporary file), reads at most a limit, and never
// waits while opening. The agent stores the body followed by CR LF: that one closing line end is
// not part of the text (nor of the limit), and a file holding only CR LF is an empty body. The
// agent does not flush its small results to disk, so after a crash of the machine one may stand
// empty or cut at its name: a file that is empty or does not end in CR LF is no answer (Cut). A body that
// begins with a UTF-16 byte-order mark is UTF-16; other bytes are decoded by the language packs'
// decoder: UTF-8, and Windows-1251 where a line is not UTF-8.

#include <cstddef>
#include <string>
#include <vector>

namespace kestrune {

// The agent's largest body.
constexpr std::size_t kAgentResultLimit = 8u * 1024u * 1024u;

enum class ResultState {
    Read,        // text holds the body
    Missing,     // nothing at the name
    Unreadable,  // not a regular file, it could not be read, or UTF-16 that does not decode
    TooLarge,    // a body of more than the limit
    Cut,         // empty, or without the agent's closing CR LF: not a whole result
};

struct AgentResultText {
    ResultState state = ResultState::Missing;
    std::string text;  // UTF-8, without the agent's closing CR LF
    bool read() const { return state == ResultState::Read; }
};

AgentResultText ReadAgentResult(const std::string& path, std::size_t limit = kAgentResultLimit);

// The lines of a text, ended by CR LF, LF or CR; a line end at the very end opens no further line.
std::vector<std::string> ResultLines(const std::string& text);

// True when a regular file at path holds a whole body: more than the agent's closing CR LF, and
// that CR LF at its end. A missing file, a folder, an empty file, a file of CR LF alone and a cut
// file (no closing CR LF) hold none.
bool ResultHasBody(const std::string& path);

// An agent flag (an empty file in TEMP) is present: anything stands at its name.
bool AgentFlagPresent(const std::string& path);

// Deletes a result or flag file; whatever stands at the name is removed itself, a link is never
// followed. Missing is no failure.
void RemoveAgentFile(const std::string& path);

}  // namespace kestrune
