#pragma once
// The calling program's settings file "Kestrune.ini": the search for stored values when no
// program is named, the merge with the command line and the write at exit.

#include "foundation/UniversalProcedures.h"

namespace kestrune {

void ReadSettingsExe(WindowHandle owner);
void LoadProgramSettings(WindowHandle owner);
void SaveProgramSettings();
// A start without P2 looks for the values stored by this executable (AppData or program folder).
void FindStoredProgramSettings(WindowHandle owner);

}  // namespace kestrune
