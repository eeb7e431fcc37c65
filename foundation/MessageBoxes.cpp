#include "foundation/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <utility>

#include "foundation/ModalWindows.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "platform/AsciiText.h"

namespace kestrune {

std::string SettingsErrorFormat;
std::string SettingsErrorCaption;

const ProgramValues boxTexts([] {
    SettingsErrorFormat.clear();
    SettingsErrorCaption.clear();
});

namespace {

MessageBoxHandler& BoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & 0xF0) {
        case kMbIconError: return QMessageBox::Critical;
        case kMbIconQuestion: return QMessageBox::Question;
        case kMbIconWarning: return QMessageBox::Warning;
        case kMbIconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

struct BoxButton {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<BoxButton> ButtonsOf(unsigned flags) {
    switch (flags & 0xF) {
        case kMbOkCancel: return {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
        case kMbAbortRetryIgnore:
            return {{QMessageBox::Abort, kIdAbort}, {QMessageBox::Retry, kIdRetry}, {QMessageBox::Ignore, kIdIgnore}};
        case kMbYesNoCancel:
            return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
        case kMbYesNo: return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
        case kMbRetryCancel: return {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
        default: return {{QMessageBox::Ok, kIdOk}};
    }
}

int ShowRealBox(const MessageBoxCall& call) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::runtime_error("a message box needs the application object");
    QMessageBox box(IconOf(call.flags), QString::fromStdString(call.caption), QString::fromStdString(call.text),
                    QMessageBox::NoButton, call.owner);
    box.setTextFormat(Qt::PlainText);
    if (!call.extras.details.empty()) box.setInformativeText(QString::fromStdString(call.extras.details));
    const std::vector<BoxButton> buttons = ButtonsOf(call.flags);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* added = box.addButton(buttons[i].button);
        if (i < call.extras.buttonTexts.size() && !call.extras.buttonTexts[i].empty())
            added->setText(QString::fromStdString(call.extras.buttonTexts[i]));
    }
    const std::size_t defaultIndex = (call.flags & kMbDefButton3) ? 2 : (call.flags & kMbDefButton2) ? 1 : 0;
    box.setDefaultButton(buttons[std::min(defaultIndex, buttons.size() - 1)].button);
    if (call.flags & kMbSystemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    ExecModal(box);
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const BoxButton& b : buttons)
        if (b.button == pressed) return b.id;
    // Closed without a button: Cancel where there is one, as the system box answers.
    for (const BoxButton& b : buttons)
        if (b.id == kIdCancel) return kIdCancel;
    return buttons.front().id;
}

// A run started with KESTRUNE_MESSAGEBOX_ANSWER shows no box: each one is written to stderr and
// answered with that number (end-to-end tests start the real program this way).
std::optional<int> AnswerFromEnvironment() {
    const char* value = std::getenv("KESTRUNE_MESSAGEBOX_ANSWER");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const long answer = std::strtol(value, &end, 10);
    if (*end != '\0') return std::nullopt;
    return static_cast<int>(answer);
}

int RunBox(const MessageBoxCall& call) {
    if (BoxHandler()) return BoxHandler()(call);
    if (const std::optional<int> answer = AnswerFromEnvironment()) {
        std::fprintf(stderr, "%s message box [%s] flags 0x%x: %s\n", kProductName, call.caption.c_str(), call.flags,
                     call.text.c_str());
        if (!call.extras.details.empty()) std::fprintf(stderr, "  %s\n", call.extras.details.c_str());
        return *answer;
    }
    return ShowRealBox(call);
}

unsigned IconForKind(const std::string& kind) {
    const std::string word = platform::AsciiLower(kind);
    if (word == "warning") return kMbIconWarning;
    if (word == "info") return kMbIconInformation;
    if (word == "quest") return kMbIconQuestion;
    if (word == "error") return kMbIconError;
    return 0;
}

const char* const kBuiltInRepairFormat =
    "Настройки программы %s\n\n"
    "Отсутствовали или содержали неверные значения %d из %d параметров. \n"
    "Ошибки в структуре данных исправлены. Файл восстановлен.";
const char* const kBuiltInRepairCaption = "Предупреждение...";

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(BoxHandler(), std::move(handler));
}

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = SetMessageBoxHandler([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        return answer_;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }

int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, const std::string& kind,
                   unsigned flags) {
    return ShowMessageBox(owner, text, caption, kind, flags, MessageBoxExtras{});
}

int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, const std::string& kind,
                   unsigned flags, const MessageBoxExtras& extras) {
    int button = 0;
    Guard("UP.004-01", [&] {
        button = RunBox(MessageBoxCall{owner, text, caption, kind, flags + IconForKind(kind), extras});
        BringToFront(owner);
    });
    return button;
}

std::string SettingsRepairedText(const std::string& format, int repairedCount, int readCount) {
    // "%s", "%d", and the indexed forms "%0:s" .. "%2:d"; anything else stays as it is.
    return FillPlaceholders(format.empty() ? kBuiltInRepairFormat : format,
                            {kProductName, std::to_string(repairedCount), std::to_string(readCount)});
}

int ShowSettingsRepairedMessage(WindowHandle owner, int repairedCount, int readCount, unsigned flags) {
    int button = 0;
    Guard("UP.003-01", [&] {
        const std::string text = SettingsRepairedText(SettingsErrorFormat, repairedCount, readCount);
        const std::string caption = SettingsErrorCaption.empty() ? kBuiltInRepairCaption : SettingsErrorCaption;
        button = RunBox(MessageBoxCall{owner, text, caption, "warning", flags + kMbIconWarning, {}});
        BringToFront(owner);
    });
    return button;
}

}  // namespace kestrune
