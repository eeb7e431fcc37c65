#pragma once
// The due test of the periodic online checks and their last-check files.
//
// Each check keeps, in the settings folder, a file Name + "_LastCheck.ini" of two lines (CR LF):
// the date of its last start in the system's short date format and the time "hh:nn:ss". The file
// is rewritten when a check starts, before the agent runs, so a started check counts as done even
// when the agent then fails. The new-version check uses its file prefix as Name, the developer
// messages "Messages", the add-on check the empty name.
//
// All times come from platform::LocalTimeNow(), so tests fix the clock with
// platform::SetLocalTimeForTesting. A date stored with a two-digit year is read in the century
// of today's date, in every locale.

#include <string>

class QLocale;

namespace kestrune {

// Days of an interval index: 0..6 give 1, 3, 5, 10, 15, 20, 30; any other index 5.
int CheckIntervalDays(int intervalIndex);

// True when the check named name is due: no last-check file (or one that holds no date, or a
// date after today: it is deleted and the check counts as never made); more days than the
// interval since the last start; or exactly the interval and the clock has reached the full hour
// of the last start. A last check today is never due. A file that exists but cannot be read is
// reported and answers false.
bool IsCheckDue(const std::string& name, int intervalIndex);

// Rewrites the check's last-check file with the date and time now, making the settings folder
// when needed. False when it could not be written (the caller decides whether that is a failure).
bool WriteLastCheckFile(const std::string& name);

// Line 1 of the check's last-check file as it stands (the date the status lines show); empty
// when the file is missing, unreadable or over a few kilobytes.
std::string LastCheckDateText(const std::string& name);

// The full path of the check's last-check file.
std::string LastCheckFilePath(const std::string& name);

// For tests: the locale whose short date format the files are written and read in; null returns
// to the system's.
void SetDateLocaleForTesting(const QLocale* locale);

}  // namespace kestrune
