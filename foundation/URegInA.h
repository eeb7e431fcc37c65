#pragma once
// The settings location (program folder or Application Data), the path kinds every part asks
// for, and the versioned settings files with the recording of their values for the error log.

#include <string>

#include "foundation/UniversalProcedures.h"

namespace kestrune {

extern bool MustSetFilesInAppData;  // the program's files must live under Application Data
extern bool UseAppData;             // the files were found or chosen under Application Data
extern std::string SettingsFilePath;
// The folder below Application Data: "KV.Kestrune" or "KV.Kestrune\" + the calling program.
// Set by the host window while it finds the calling program's settings.
extern std::string ProgramSettingsFolder;

// Path of a file by kind: 0 TEMP + "\" + name, 1 per-program entry, 2 settings folder (ends with a
// separator), 3 resource folder, 4 the location word for Pellmark ("AppData" or empty).
std::string GetProgramPath(int kind, const std::string& name);

// Prepares the recording lists, probes the program folder, decides the location and moves the
// counter files and the settings folder to it (unless keepFilesInPlace).
void InitSettingsLocation(bool keepFilesInPlace, const std::string& name, WindowHandle owner);

void CreateSettingsFile(const std::string& name, const std::string& version, const std::string& title);
bool OpenSettingsFile(const std::string& name, const std::string& version);
void WriteSettingInteger(const std::string& section, const std::string& key, int value);
void WriteSettingString(const std::string& section, const std::string& key, const std::string& value);
void WriteSettingBool(const std::string& section, const std::string& key, bool value);
int ReadSettingInteger(const std::string& section, const std::string& key, int defaultValue, int min, int max);
std::string ReadSettingString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, bool& optionalKey);
bool ReadSettingBool(const std::string& section, const std::string& key, bool defaultValue);
void CloseSettingsFile(WindowHandle owner);
// Every recorded value as lines "CR LF key "value"", for the error log.
std::string ListSettingsForReport();

}  // namespace kestrune
