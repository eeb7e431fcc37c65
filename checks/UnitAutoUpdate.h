#pragma once
// The new-version check of the calling program: its one entry for the host, its status line and
// its TEMP flags.

#include <cstdint>
#include <string>

class QTimer;

namespace kestrune {

extern bool VersionCheckEnabled;     // check at start
extern bool VersionCheckOnlineOnly;  // wait for a connection before the agent is started
extern std::string UpdateStatusText; // the one-line status, always beginning with a blank

// Action 0 poll, 1 begin (Arg: manual), 2 stop, 3 reset the shown flag, 4 save the settings,
// 5 reload them (Arg: owner window), 6 status only. Timer is the check timer of actions 0 to 2.
void AutoUpdateAction(int action, std::intptr_t arg, QTimer* timer);
// Rebuilds UpdateStatusText; Done: the check is not being queried.
void UpdateCheckStatusText(bool done);
bool IsInternetConnected();
// Removes the check's TEMP flags "_CNVFalse" and "_CheckReady".
void DeleteCheckFlags();

}  // namespace kestrune
