#pragma once
// The new-version check of the calling program: its one entry for the host, its settings
// (UAUSettings.ini), its status line and its files. When a check is due it writes the last-check
// file, starts Pellmark in the version mode and returns; the check timer then polls every 500 ms
// for the agent's answer and announces a new version with the new-version window.

#include <cstdint>
#include <string>

#include "foundation/UniversalProcedures.h"
#include "language/CarrierFrames.h"

class QTimer;

namespace kestrune {

extern bool VersionCheckEnabled;      // check at start ("UUCheckEnabled")
extern int VersionIntervalIndex;      // interval index of the due test ("UIntervalAUCheck", 0..6)
extern bool VersionCheckOnlineOnly;   // wait for a connection before the agent is started ("UCheckInet")
extern bool VersionAgentPresent;      // the agent file exists
extern bool VersionCheckBegun;        // the once-per-run gate of BeginVersionCheck was passed
extern bool NewVersionAnnounced;      // announced (or its window suppressed) in this run
extern bool VersionCheckFailed;       // the last agent run of this program failed or gave no usable answer
extern std::string UpdateStatusText;  // the one-line status, always beginning with a blank

// The status texts; the carrier frame replaces them after every change of language. Each
// "%s" of StatusTextNoNewVersion and StatusTextFailed takes the date of the last check.
extern std::string StatusTextNoChecker, StatusTextQuerying, StatusTextNewVersion, StatusTextUnknown,
    StatusTextNoNewVersion, StatusTextDisabled;
extern std::string StatusTextFailed;  // the agent could not start, failed or gave an unusable description

// Action 0 poll, 1 begin (Arg: manual), 2 stop, 3 announce again, 4 save the settings, 5 reload
// them (Arg: owner window), any other refresh the status. Timer is the check timer of actions 0 to 2.
void AutoUpdateAction(int action, std::intptr_t arg, QTimer* timer);
// True when a check is now running or polled (the timer was enabled at 500 ms).
bool BeginVersionCheck(QTimer* timer, int manual);
// Writes the last-check file and starts the agent (unless switched off and not manual), under
// the run lock; while another copy's run is going it starts none and its answer is awaited.
void StartVersionCheck(int manual);
// The agent's answer is there: the end of this program's agent run, the ready flag, or a
// description left by an earlier check. Never while a run of this program's files is going,
// this copy's or another copy's (its run lock is held).
bool IsCheckResultReady();
// Announces a description once, or takes the no-new-version flag. A description without the
// text in the reader's language (English, or a third language set to English, and no twin) is
// removed as an unusable answer, so the next check starts clean when it is due. The results are
// judged under the run lock and left alone while a run of them is going.
void ShowNewVersionIfAny();
// Rebuilds UpdateStatusText; done false: the check is being queried.
void UpdateCheckStatusText(bool done);
void LoadSettingsUAU(WindowHandle owner);
void SaveSettingsUAU();
// The computer counts as online when a network interface other than loopback is up, or when that
// cannot be told (platform::NetworkConnected, whose seam tests set).
bool IsInternetConnected();
// Removes the check's TEMP flags "_CNVFalse" and "_CheckReady".
void DeleteCheckFlags();
// A file of the check in the settings folder: the file prefix followed by suffix ("_CNVTrue.txt").
std::string VersionCheckFile(const std::string& suffix);

// The carrier frame's copy after a change of language: the six translated texts replace the
// status texts and the status line is rebuilt in the new language (a querying line stays one).
void TakeTranslatedStatusTexts(const UpdateStatusTexts& texts, const std::string& previousQuerying);

// A status format filled with one text: "%s" takes it, "%%" is "%". False (and nothing set) for a
// format with any other conversion, so a translated text is never handed to printf.
bool FormatStatusText(const std::string& format, const std::string& value, std::string& result);

}  // namespace kestrune
