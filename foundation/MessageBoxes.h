#pragma once
// The one message box with its MessageBoxA-style flags and answers, the settings-repaired box,
// and the seam that lets tests record boxes instead of showing them.

#include <functional>
#include <string>
#include <vector>

#include "foundation/WindowHandle.h"

namespace kestrune {

constexpr unsigned kMbSystemModal = 0x1000;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
// Buttons as MessageBoxA takes them in the low four bits of the flags.
constexpr unsigned kMbOk = 0x0, kMbOkCancel = 0x1, kMbAbortRetryIgnore = 0x2, kMbYesNoCancel = 0x3, kMbYesNo = 0x4,
                   kMbRetryCancel = 0x5;
constexpr unsigned kMbDefButton2 = 0x100, kMbDefButton3 = 0x200;
// Answers as MessageBoxA gives them.
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7;

extern std::string SettingsErrorFormat;  // "%s" and two "%d": product, repaired count, read count
extern std::string SettingsErrorCaption;

// The one message box. The kind word ("warning", "info", "quest", "error", any letter case, the
// whole word) adds its icon to flags; flags carry the buttons and modality as MessageBoxA takes
// them (0x1000 keeps the box above every window). Answers the button pressed (kIdOk ...), 0 on
// failure. The owner, when given, is brought to the front afterwards.
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, const std::string& kind,
                   unsigned flags);

// What a window may add to its box: a smaller text below the main one, and the buttons' texts
// in its own language (in the order of the buttons; an empty or missing text keeps Qt's).
struct MessageBoxExtras {
    std::string details;
    std::vector<std::string> buttonTexts;
};
int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, const std::string& kind,
                   unsigned flags, const MessageBoxExtras& extras);

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

}  // namespace kestrune
