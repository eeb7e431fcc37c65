#pragma once
// The procedures every window uses, gathered in one header: message boxes (MessageBoxes.h), modal
// windows under BusyFlag (ModalWindows.h), the system version test (SystemVersion.h), file and
// folder copy and delete (core/FolderTree.h). The rest lives here: duration texts, the settings
// location test, the autostart settings file, and the texts and values that the carrier frame
// and the single-copy check fill.

#include <array>
#include <cstdint>
#include <string>

#include "foundation/MessageBoxes.h"
#include "foundation/ModalWindows.h"
#include "foundation/SystemVersion.h"
#include "foundation/WindowHandle.h"
#include "foundation/core/FolderTree.h"

namespace kestrune {

extern std::string AddonsNoticeCaption;
extern std::string AddonsNoticeText;
extern std::string AddonsOpenQuestion;
extern int AutorunMode;
extern int OtherInstanceCount;
extern std::array<std::string, 10> OtherInstanceNames;

// Text of a duration: "N days, " when it spans days, then hh:nn:ss. A negative count (a 32-bit
// tick count that wrapped) is taken modulo 2^32.
std::string DurationText(std::int64_t milliseconds);

// UseAppData := the files must live under Application Data, or the product folder there holds
// UAUSettings.ini.
void DetectSettingsInAppData(const std::string& name);

// AutorunMode := 0 and the program folder's Settings/UARSettings.ini is deleted.
void ResetAutorunSettings();
// The same deletion, AutorunMode untouched.
void DeleteAutorunSettings();

// Removes the notification-area icon; the program adds none of its own, so nothing happens.
void RemoveTrayIcon();

}  // namespace kestrune
