#pragma once
// Small procedures every window uses: the message box, the system version test, modal showing
// under BusyFlag, file and folder copy and delete, duration texts, the settings-repaired message
// and the autostart settings file. Also owns BusyFlag and the message texts that the carrier
// frame fills.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace kestrune {

using WindowHandle = QWidget*;  // the owner window of a box or modal window; nullptr for none

constexpr unsigned kMbSystemModal = 0x1000;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
// Buttons as MessageBoxA takes them in the low four bits of the flags.
constexpr unsigned kMbOk = 0x0, kMbOkCancel = 0x1, kMbAbortRetryIgnore = 0x2, kMbYesNoCancel = 0x3,
                   kMbYesNo = 0x4, kMbRetryCancel = 0x5;
constexpr unsigned kMbDefButton2 = 0x100, kMbDefButton3 = 0x200;
// Answers as MessageBoxA gives them.
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7;

extern bool BusyFlag;  // a modal window or job is running; the host's job timer waits while set
extern std::string SettingsErrorFormat;  // "%s" and two "%d": product, repaired count, read count
extern std::string SettingsErrorCaption;
extern std::string AddonsNoticeCaption;
extern std::string AddonsNoticeText;
extern std::string AddonsOpenQuestion;
extern int AutorunMode;
extern int OtherInstanceCount;
extern std::array<std::string, 10> OtherInstanceNames;

// ---- Message boxes ---------------------------------------------------------------------------

// The one message box. The kind word ("warning", "info", "quest", "error", any letter case, the
// whole word) adds its icon to flags; flags carry the buttons and modality as MessageBoxA takes
// them (0x1000 keeps the box above every window). Answers the button pressed (kIdOk ...), 0 on
// failure. The owner, when given, is brought to the front afterwards.
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   const std::string& kind, unsigned flags);

// What a window may add to its box: a smaller text below the main one, and the buttons' texts
// in its own language (in the order of the buttons; an empty or missing text keeps Qt's).
struct MessageBoxExtras {
    std::string details;
    std::vector<std::string> buttonTexts;
};
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   const std::string& kind, unsigned flags, const MessageBoxExtras& extras);

// The warning box shown when a settings file was repaired: SettingsErrorFormat filled with
// "KV.Kestrune" and the two counts (the built-in text when the format is empty or unusable),
// under SettingsErrorCaption. The format is never handed to printf.
int ShowSettingsRepairedMessage(WindowHandle owner, int repairedCount, int readCount, unsigned flags);
// The text of that box, for the box and its tests.
std::string SettingsRepairedText(const std::string& format, int repairedCount, int readCount);

// One box as it would have been shown: flags include the icon that the kind word added.
struct MessageBoxCall {
    WindowHandle owner = nullptr;
    std::string text;
    std::string caption;
    std::string kind;
    unsigned flags = 0;
    MessageBoxExtras extras;
};
// Replaces the real box: the handler gets every call and answers the button. An empty handler
// brings the real box back. Answers the handler it replaced.
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// For tests: while it lives, every box is recorded and answered with the chosen button instead
// of being shown.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = kIdOk);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
    void SetAnswer(int answer) { answer_ = answer; }
    const std::vector<MessageBoxCall>& calls() const { return calls_; }

private:
    int answer_;
    std::vector<MessageBoxCall> calls_;
    MessageBoxHandler previous_;
};

// ---- System version --------------------------------------------------------------------------

// Whether the system is at least the version the word names ("98" 4.10, "2k" 5.0, "xp" 5.1,
// "vista" 6.0, any letter case); any other word is always true. The stand-in answers as a current
// Windows (10.0) unless KESTRUNE_WINDOWS_VERSION ("major.minor") or the test seam says otherwise.
bool IsWindowsAtLeast(const std::string& versionWord);
struct SystemVersion {
    int major = 10;
    int minor = 0;
};
SystemVersion CurrentSystemVersion();
// Tests set an older system; a negative major version returns to the environment and the default.
void SetSystemVersionForTesting(SystemVersion version);

// ---- Modal windows ---------------------------------------------------------------------------

// The language processor installs this: it captures a new window's design texts and translates
// it (mode 0). Without it, ShowFormModal shows windows untranslated.
using FormTranslationHook = std::function<void(QWidget* form)>;
FormTranslationHook SetFormTranslationHook(FormTranslationHook hook);

// Creates a window with createForm, translates it when asked, shows it modally and frees it when
// it is closed. BusyFlag is set for the time when it was clear, and cleared again however the
// window ends (a failure included). The return window is brought to the front afterwards.
void ShowFormModal(bool translate, WindowHandle returnWindow, const std::function<QWidget*()>& createForm);
template <class Form>
void ShowFormModal(bool translate, WindowHandle returnWindow) {
    ShowFormModal(translate, returnWindow, [] { return static_cast<QWidget*>(new Form()); });
}

// ---- Files and folders -----------------------------------------------------------------------

// Copies a file (or, with an empty fileName, a file or folder tree into destFolder). Each file is
// written beside its target and renamed over it, so a target is never left half-copied. With
// failIfExists an existing target is kept. Answers true when the target holds a complete copy
// afterwards (or was kept); false when anything could not be copied.
bool CopyFileTo(const std::string& source, const std::string& destFolder, const std::string& fileName,
                bool failIfExists);
// The shell's copy of one file or folder tree to the target path (into it when it is a folder).
bool ShellCopy(const std::string& source, const std::string& target);
// Copies the contents of fromFolder into toFolder (made when missing). True when all was copied.
bool CopyDirectory(const std::string& fromFolder, const std::string& toFolder, bool failIfExists);
// Deletes a folder with everything in it, letting the event loop run before each sub-folder.
// Refuses an empty or relative path, the root and a path with "..". Symbolic links inside are
// removed themselves, never followed; a link given as the folder is removed, not its target.
void DeleteDirectory(const std::string& folder);

// The folder text given exactly one separator at its end ("\" unless it ends in "/").
std::string WithTrailingSeparator(const std::string& folder);

// ---- Other procedures ------------------------------------------------------------------------

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

// A window opened over a modal window that stays on top (the settings window) stays on top too,
// or it could open behind the window it blocks. Call before the window is shown.
void KeepAboveOpenModalWindow(QWidget* window);

// Removes the notification-area icon; the program adds none of its own, so nothing happens.
void RemoveTrayIcon();

}  // namespace kestrune
