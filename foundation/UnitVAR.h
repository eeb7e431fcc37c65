#pragma once
// Values that describe the current run to every part of the program. Plain globals of one
// owner: everything runs on the one thread of the message loop.

#include <string>

#include "foundation/core/Product.h"

namespace kestrune {

extern bool StartMessagesAllowed;          // start-up may show its own windows (not-supported window)
extern bool ErrorOccurred;                 // a failure was processed in this run, or the run reports for a caller
extern bool SuppressCheckWindows;          // the new-version and developer-message windows stay hidden
extern std::string IconPath;               // icon of the calling program, shown by the check windows
extern std::string FilePrefix;             // P2 + "_" + P3: prefix of the new-version check's files
extern std::string CallingProgramVersion;  // P3: the running version a new version is compared with
extern std::string CallingProgramName;
extern std::string VersionText;
extern std::string AuthorAddress;  // recipient of report and review mails
extern std::string CheckUrl;       // base URL of the new-version check
extern std::string ProductName;    // product named in log entries and mails
extern std::string VersionTag;     // version named in log entries and mails

// The developer's contact address that start-up stores in AuthorAddress.
extern const char* const kDeveloperAddress;

// Start values of the run; the first statement of the host window's creation. Cannot fail.
void InitProgramVariables();

}  // namespace kestrune
