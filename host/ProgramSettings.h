#pragma once
// The calling program's settings file "Kestrune.ini": the search for stored values when no
// program is named, the merge with the command line and the write at exit.

#include "foundation/UniversalProcedures.h"

namespace kestrune {

void ReadSettingsExe(WindowHandle owner);
void LoadProgramSettings(WindowHandle owner);
// Writes the file afresh, except over a stored file that this run found but could not read.
void SaveProgramSettings();
// A start without P2 looks for the values stored by this executable (AppData or program folder).
// A take-over from Application Data (program-folder mode, nothing beside the program) loads the
// values but removes the files it took them from only in RemoveTakenOverSettings, once the start
// has been accepted.
void FindStoredProgramSettings(WindowHandle owner);
void RemoveTakenOverSettings();
// Forgets what this run learnt about the stored files (at the end of every start).
void ResetProgramSettingsState();

}  // namespace kestrune
