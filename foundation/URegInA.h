#pragma once
// The settings location (program folder or Application Data), the path kinds every part asks
// for, and the versioned settings files with the recording of their values for the error log.

#include <string>
#include <vector>

#include "foundation/SettingsLocationFlags.h"
#include "foundation/UniversalProcedures.h"

namespace kestrune {

// Path of the current settings file (after a write probe, of the probe file).
extern std::string SettingsFilePath;
// The folder below Application Data: "KV.Kestrune" or "KV.Kestrune\" + the calling program.
// Set by the host window while it finds the calling program's settings.
extern std::string ProgramSettingsFolder;

// ---- Settings location -----------------------------------------------------------------------

// Path of a file by kind: 0 TEMP + "\" + name, 1 per-program entry, 2 settings folder (ends with a
// separator), 3 resource folder, 4 the location word for Pellmark ("AppData" or empty); any
// other kind is empty. Built anew from the flags at every call.
std::string GetProgramPath(int kind, const std::string& name);

// The write probe: true when <exe dir>/Resource/test.ini cannot be created.
bool IsProgramFolderReadOnly();

// Prepares the recording lists, probes the program folder, decides the location and (unless
// keepFilesInPlace) moves the counter files and the settings folder to it. A program folder that
// cannot be written puts the files under Application Data: they are copied there, never moved.
void InitSettingsLocation(bool keepFilesInPlace, const std::string& name, WindowHandle owner);

// ---- Versioned settings files ----------------------------------------------------------------
// One current file at a time: open or create it, read and write its values, close it. Values
// are held in memory and reach the disk as a whole file, written beside the old one and renamed
// over it, when the file is closed (or replaced by the next open or create). A write that fails
// is reported.

extern std::string SettingsFileName;  // Name of the current file, first half of record keys
extern bool SettingsFileMissing;      // the last open found no file: reads answer defaults
extern int SettingsReadCount;         // values read since the open or create
extern int SettingsCorrectionCount;   // values repaired since then
extern bool SettingsFileSeen;         // the file had been opened or created before in this run

// Recording of every value read or written, for the error log; emptied by InitSettingsLocation.
extern std::vector<std::string> SeenSettingsFiles;
extern std::vector<std::string> RecordedSettingKeys;
extern std::vector<std::string> RecordedSettingValues;

// Creates the file afresh (every earlier content is gone) with [Main] File "<title>", Version and
// Date, making the settings folder when needed. The file is written when it is closed; until
// then the earlier one stays on disk.
void CreateSettingsFile(const std::string& name, const std::string& version, const std::string& title);
// Opens the file; false when it is missing or cannot be read. Then no file is current: reads
// answer their defaults, writes are refused and reported, and the close does nothing.
bool OpenSettingsFile(const std::string& name, const std::string& version);
void WriteSettingInteger(const std::string& section, const std::string& key, int value);
// Written between double quotes. A text holding CR, LF or NUL would break the file: it is
// refused and reported, and the key keeps its value.
void WriteSettingString(const std::string& section, const std::string& key, const std::string& value);
void WriteSettingBool(const std::string& section, const std::string& key, bool value);
// Decimal, or hexadecimal after "0x"; a missing key or one outside min..max is repaired with
// the default and counted; a text that is no number reads as the default and stays.
int ReadSettingInteger(const std::string& section, const std::string& key, int defaultValue, int min, int max);
// A missing key is written with the default (without quotes); it is counted unless optionalKey
// came in true. optionalKey comes back true only when the key was missing.
std::string ReadSettingString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              bool& optionalKey);
// Whether the current file holds the key; no open file holds none. Nothing is written or counted.
bool HasSetting(const std::string& section, const std::string& key);
// Any integer other than 0 is true; a missing key answers the default and is left missing.
bool ReadSettingBool(const std::string& section, const std::string& key, bool defaultValue);
// Writes the file. When values were repaired, writes [Main] Date first and shows the repaired
// message (system-modal, owned by owner) before the file is written.
void CloseSettingsFile(WindowHandle owner);

// While a start has not yet judged the values it read, nothing it would write to a settings file
// reaches the disk: from HoldSettingsWrites on, every file that would be written (a repair, a
// missing Version) is kept in memory with its repaired message, and a later open of the same file
// reads the kept one. ReleaseHeldSettingsWrites(true) then writes them and shows the messages in
// the order they came; false drops them, and the files stay as they were.
void HoldSettingsWrites();
void ReleaseHeldSettingsWrites(bool write);

void FindSettingsFileName(const std::string& name);
// valueKind: 0 Boolean, 1 text, 2 integer.
void RecordSettingValue(bool boolValue, const std::string& textValue, int intValue, int valueKind,
                        const std::string& key);
// Every recorded value as lines "CR LF key "value"", then MustSetFilesInAppData and UseAppData.
std::string ListSettingsForReport();

// Today in the system's short date format (the Date of [Main]).
std::string ShortDateText();

}  // namespace kestrune
