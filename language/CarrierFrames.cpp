#include "language/CarrierFrames.h"

#include <QAction>
#include <QLabel>
#include <utility>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "language/ClickMemo.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/pack/LanguagePack.h"
#include "platform/AsciiText.h"
#include "ui_TUFrameLangComponents.h"
#include "ui_TUFrameTUAU.h"
#include "ui_TUFrameUProcedures.h"

namespace kestrune {

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// Captions of several lines keep Qt's line break, which the boxes that show them expect.
std::string MessageText(const QString& text) {
    QString plain = text;
    return Utf8(plain.remove(QLatin1Char('\r')));
}

// The language items of one place were clicked: the items tick themselves (a click on the
// ticked one unticks it), so either a language was chosen or the current one must be ticked
// again without any reload.
void LanguageItemClicked(LanguageItemPlace place, QObject* sender) {
    const QList<QAction*> root = LanguageItems(place);
    bool anyChecked = false;
    for (QAction* item : root) anyChecked = anyChecked || item->isChecked();
    if (anyChecked) {
        auto* clicked = qobject_cast<QAction*>(sender);
        if (clicked && clicked->isChecked()) {
            const std::string chosen = ItemLanguage(clicked);
            if (platform::AsciiLower(chosen) == platform::AsciiLower(CurrentLanguage)) return;
            CurrentLanguage = chosen;
        }
        // A language the user picked is a valid choice: it is stored from now on.
        NeedLanguageChoice = false;
        ChangeLanguage();
        return;
    }
    const std::string current = platform::AsciiLower(CurrentLanguage);
    for (QAction* item : root) {
        if (platform::AsciiLower(ItemLanguage(item)) == current) item->setChecked(true);
    }
}

UpdateStatusTextsHandler& StatusTextsHandler() {
    static UpdateStatusTextsHandler handler;
    return handler;
}

UpdateStatusTexts& CarriedStatusTexts() {
    static UpdateStatusTexts texts;
    return texts;
}

}  // namespace

// ---- TUFrameLangComponents -------------------------------------------------------------------

TUFrameLangComponents::TUFrameLangComponents(QWidget* parent)
    : TUFrame(parent), ui_(std::make_unique<Ui::TUFrameLangComponents>()) {
    ui_->setupUi(this);
    MChoseLan = ui_->MChoseLan;
    MDefaultlan = ui_->MDefaultlan;
    MLanCapt = ui_->MLanCapt;
    MLanProc = ui_->MLanProc;
    // MChoseLan has no handler of its own: the include panel binds its re-translation to it.
    connect(MDefaultlan, &TClickMemo::Clicked, this, &TUFrameLangComponents::MDefaultlanClick);
    connect(MLanCapt, &TClickMemo::Clicked, this, &TUFrameLangComponents::MLanCaptClick);
    connect(MLanProc, &TClickMemo::Clicked, this, &TUFrameLangComponents::MLanProcClick);
}

TUFrameLangComponents::~TUFrameLangComponents() = default;

void TUFrameLangComponents::MLanProcClick(QObject* sender) {
    Guard("ULC.001-01", [&] { LanguageItemClicked(LanguageItemPlace::Grouped, sender); });
}

void TUFrameLangComponents::MLanCaptClick(QObject* sender) {
    Guard("ULC.002-01", [&] { LanguageItemClicked(LanguageItemPlace::Popup, sender); });
}

void TUFrameLangComponents::MDefaultlanClick(QObject* sender) {
    Guard("ULC.003-01", [&] { LanguageItemClicked(LanguageItemPlace::Parent, sender); });
}

// ---- TUFrameTUAU -----------------------------------------------------------------------------

UpdateStatusTextsHandler SetUpdateStatusTextsHandler(UpdateStatusTextsHandler handler) {
    return std::exchange(StatusTextsHandler(), std::move(handler));
}

const UpdateStatusTexts& CarriedUpdateStatusTexts() { return CarriedStatusTexts(); }

TUFrameTUAU::TUFrameTUAU(QWidget* parent) : TUFrame(parent), ui_(std::make_unique<Ui::TUFrameTUAU>()) {
    ui_->setupUi(this);
    StatusAU1 = ui_->StatusAU1;
    StatusAU2 = ui_->StatusAU2;
    StatusAU3 = ui_->StatusAU3;
    StatusAU4 = ui_->StatusAU4;
    StatusAU5 = ui_->StatusAU5;
    StatusAU6 = ui_->StatusAU6;
}

TUFrameTUAU::~TUFrameTUAU() = default;

void TUFrameTUAU::StatusAU1Click(QObject*) {
    Guard("AUT.001-01", [&] {
        UpdateStatusTexts& texts = CarriedStatusTexts();
        const std::string previousQuerying = texts.querying;
        texts.noChecker = MessageText(StatusAU1->text());
        texts.querying = MessageText(StatusAU2->text());
        texts.newVersion = MessageText(StatusAU3->text());
        texts.unknown = MessageText(StatusAU4->text());
        texts.noNewVersion = MessageText(StatusAU5->text());
        texts.disabled = MessageText(StatusAU6->text());
        if (StatusTextsHandler()) StatusTextsHandler()(texts, previousQuerying);
    });
}

// ---- TUFrameUProcedures ----------------------------------------------------------------------

TUFrameUProcedures::TUFrameUProcedures(QWidget* parent)
    : TUFrame(parent), ui_(std::make_unique<Ui::TUFrameUProcedures>()) {
    ui_->setupUi(this);
    MsgSettingsError = ui_->MsgSettingsError;
    MsgSErrorCaption = ui_->MsgSErrorCaption;
    Label12 = ui_->Label12;
    Label13 = ui_->Label13;
    Label1 = ui_->Label1;
    AboutProgram = ui_->AboutProgram;
}

TUFrameUProcedures::~TUFrameUProcedures() = default;

void TUFrameUProcedures::MsgSErrorCaptionClick(QObject*) {
    Guard("UPT.001-01", [&] {
        SettingsErrorFormat = MessageText(MsgSettingsError->text());
        SettingsErrorCaption = MessageText(MsgSErrorCaption->text());
        AddonsNoticeCaption = MessageText(Label12->toolTip());
        AddonsNoticeText = MessageText(Label12->text());
        AddonsOpenQuestion = MessageText(Label13->text());
    });
}

}  // namespace kestrune
