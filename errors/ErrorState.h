#pragma once
// The error processor's flags and run state: what the error processor, the error log, the error
// window and its mail share, and what the host installs around the window. No Qt, and nothing of
// the units that use it, so that each of them includes this and none includes another upward.

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/core/Product.h"

class QWidget;

namespace kestrune {

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

}  // namespace kestrune
