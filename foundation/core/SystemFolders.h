#pragma once
// System folders by index (Application Data, TEMP, program and desktop folders, program files,
// documents), read through the "Shell Folders" registry values; TEMP from the environment block.

#include <string>

#include "platform/Registry.h"

namespace kestrune {

// The TEMP folder once looked up in this run; empty until then. Emptied by start-up step 01.
extern std::string TempDirCache;

// The folder of the index (0 Application Data, 1 TEMP, 2..9 the other shell folders, above 9
// TEMP, negative: empty); empty when its registry value is missing or not a plain string value,
// except Application Data (0), which then falls back to platform::ApplicationDataFolder().
std::string GetSpecialFolder(int index);
// Reads a value under "Shell Folders" (kind 0), under CurrentVersion (kind 1) or at the path
// given (any other kind); empty when it is missing.
std::string ReadShellFolderValue(platform::RegistryRoot root, const std::string& name, int kind);
// The environment variable TEMP (name in any letter case, the last such entry); where there is
// none or it is empty, $TMPDIR (when absolute) and then /tmp stand in for the Windows-only "C:/Temp".
std::string TempDirFromEnvironment();

}  // namespace kestrune
