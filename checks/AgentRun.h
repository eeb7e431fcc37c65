#pragma once
// The one starter of the check agent Pellmark for every online check.
//
// StartAgent runs Resource/Pellmark from the program folder with an argument list (never a
// shell string): P1 the folder below Application Data where the results must land (the
// per-program settings folder in the AppData mode, so both sides meet in the settings folder of
// path kind 2), P2 the file prefix, P3 the base URL, P4 the mode word, P5 the location word
// ("AppData" or empty). Before the start (also one that then cannot start) it deletes the
// prefix's flags in TEMP, and in the version mode its description files too, so nothing left by
// an earlier run reads as this run's answer (the list mode's change mark and list are the check's memory and stay). The
// TEMP folder is made absolute once (a relative TEMP is taken from the working folder) and the
// agent is given that same folder.
//
// The start returns at once; the GUI thread never waits. The agent keeps running when the
// program ends (it has its own time limits). While the program runs, the outcome arrives through
// the done handler, from the event loop, exactly once: an agent that cannot start, ends with a
// status other than 0, crashes or outlives the time limit (it is then killed) is a failed run.

#include <functional>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace kestrune {

constexpr const char* kAgentVersionMode = "-";            // P4 of the new-version check
constexpr const char* kAgentListMode = "AutoComponents";  // P4 of the message and add-on checks
constexpr int kAgentTimeLimitMs = 135000;                 // the agent's own run limit (120 s) and a margin

enum class AgentEnd {
    Finished,    // status 0: the agent's files are its answer
    NotStarted,  // no agent file, an empty prefix or URL, or the program could not be started
    Failed,      // a status other than 0, or a crash
    TimedOut,    // killed after the time limit
};

struct AgentRunResult {
    AgentEnd end = AgentEnd::NotStarted;
    int exitCode = -1;  // the agent's status when it ended by itself, else -1
    bool ok() const { return end == AgentEnd::Finished; }
};

struct AgentRequest {
    std::string prefix;    // P2: the first part of every file name and fetched name
    std::string baseUrl;   // P3
    std::string modeWord;  // P4: kAgentVersionMode or kAgentListMode
    int timeLimitMs = kAgentTimeLimitMs;
    std::string code;  // the caller's location code, reported when the start itself fails
};

using AgentDoneHandler = std::function<void(const AgentRunResult& result)>;

// The agent file: program folder + "\Resource\Pellmark".
std::string AgentFilePath();

// The TEMP folder both sides use: GetSpecialFolder(1), made absolute the first time it is asked.
std::string AgentTempFolder();

// Starts one agent run; true when the program was started. done (may be empty) always follows,
// also after a false answer. Runs on the GUI thread; throws nothing.
//
// runLock, when given, is a lock the caller took for this run: the run holds it from before the
// start to its answer (it goes after done has run), and the agent inherits it, so that it stays
// held while the agent runs, also when the agent outlives the program. A lock file free again
// means that no agent of that run is left.
bool StartAgent(const AgentRequest& request, AgentDoneHandler done,
                std::unique_ptr<platform::FileLock> runLock = nullptr);

// Agent runs started whose answer has not yet been handed to their done handler.
int RunningAgentCount();

}  // namespace kestrune
