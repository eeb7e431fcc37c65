#pragma once
// Small procedures every window uses: the message box, the system version test, modal showing
// under BusyFlag, file and folder copy and delete, duration texts. Also owns BusyFlag and the
// message texts that the carrier frame fills.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace kestrune {

using WindowHandle = QWidget*;  // the owner window of a box or modal window; nullptr for none

constexpr unsigned kMbSystemModal = 0x1000;

extern bool BusyFlag;  // a modal window or job is running; the host's job timer waits while set
extern std::string SettingsErrorFormat;
extern std::string SettingsErrorCaption;
extern std::string AddonsNoticeCaption;
extern std::string AddonsNoticeText;
extern std::string AddonsOpenQuestion;
extern int AutorunMode;
extern int OtherInstanceCount;
extern std::array<std::string, 10> OtherInstanceNames;

// The one message box. The kind word ("warning", "info", "quest", "error", any letter case)
// chooses the icon; flags carry the buttons and modality as MessageBoxA takes them. Answers the
// button pressed as MessageBoxA answers it (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7), 0 on failure.
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   const std::string& kind, unsigned flags);

// Whether the system is at least the version the word names ("98", "2k", "xp", "vista").
bool IsWindowsAtLeast(const std::string& versionWord);

// Text of a duration: "N days, " when it spans days, then hh:nn:ss.
std::string DurationText(std::int64_t milliseconds);

// Deletes a folder with everything in it, letting the event loop run before each sub-folder.
void DeleteDirectory(const std::string& folder);

}  // namespace kestrune
