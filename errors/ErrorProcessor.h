#pragma once
// The error processor: the error log, the error window and the feedback and report pages.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/core/Product.h"

class QDialog;
class QWidget;

namespace kestrune {

class TUFormError;

extern QPointer<TUFormError> UFormError;  // the open error window; nullptr once it is freed
extern bool ErrorReportingOff;            // ProcessError does nothing at all (older system)
extern std::string ErrorDump;             // extra text for every later log entry
extern std::string ExternalErrorLogPath;  // the calling program's own log (report mode)
extern std::uint32_t StartTickCount;      // base of "Program worked"
extern bool ErrorWindowOpen;              // while set, failures are counted but not logged
extern bool PageChangeAllowed;            // the error window's pages change only while set
extern bool ReporterMode;                 // the window reports for a calling program

// The product and version this program names in its own texts.
inline constexpr const char* kOwnProductName = kProductName;
inline constexpr const char* kOwnVersion = kProductVersion;

// Makes this error processor the receiver of every ProcessError call of the program.
void InstallErrorProcessor();

// The error processor itself (what ProcessError reaches once installed). Never throws.
void ProcessErrorNow(const std::string& code);

// Deletes the temporary log copy and the write-test file; silent on failure.
void DeleteErrorTempFiles();

// Texts of system information shared by the log entry and the mails. None of them throws;
// a failure answers the text as far as it was built.
std::string MemoryStatusValue(int index);  // 1 load in percent, 2..7 sizes in " KB", else "n/a"
std::string SystemUptimeText();
std::string SystemInfoText(const std::string& text);  // appends the processor and memory lines
std::string UserNameText();                           // "n/a" when the system gives none
std::string ComputerNameText();                       // "n/a" when the system gives none
std::string LogEntryTrailer();                        // 49 "=" and the settings listing

// What the window and the host do around the error window, installed from above this layer:
// the help button frame's set-up at creation, the host help menu's refresh at close, and the
// removal of the notification-area icon before the program is closed from the window.
struct ErrorWindowHooks {
    std::function<void(QWidget* helpFrame)> setupHelpFrame;
    std::function<void()> refreshHelpMenu;
    std::function<void()> removeTrayIcon;
};
void SetErrorWindowHooks(ErrorWindowHooks hooks);
const ErrorWindowHooks& CurrentErrorWindowHooks();

// How the error window is shown: modally (exec) unless a test runs it another way. Answers the
// runner it replaced; an empty runner returns to exec.
using ErrorWindowRunner = std::function<void(QDialog& window)>;
ErrorWindowRunner SetErrorWindowRunnerForTesting(ErrorWindowRunner runner);

// What the window's Send buttons call to mail the report and the review: the mail unless a test
// puts something else in its place. Answers false when the body could not be made, so that the
// click ends there and the window keeps its page; an empty function returns to the mail.
using WindowMailer = std::function<bool(TUFormError& errorWindow)>;
void SetWindowMailersForTesting(WindowMailer report, WindowMailer review);
bool MailReportFromWindow(TUFormError& errorWindow);
bool MailReviewFromWindow(TUFormError& errorWindow);

}  // namespace kestrune
