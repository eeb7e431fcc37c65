#include "host/ProgramSettings.h"

#include "host/UnitMain.h"

namespace kestrune {

// Placeholder bodies until the settings files land: nothing is read or written.
void ReadSettingsExe(WindowHandle) {}
void LoadProgramSettings(WindowHandle) {}
void SaveProgramSettings() {}
void FindStoredProgramSettings(WindowHandle) {}

}  // namespace kestrune
