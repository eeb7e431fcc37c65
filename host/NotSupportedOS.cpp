#include "host/NotSupportedOS.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "foundation/Application.h"
#include "foundation/ShellOpen.h"
#include "foundation/TextFit.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Quietly.h"
#include "ui_UFormNotSupportedOS.h"

namespace kestrune {
namespace {

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void PaintBase(QPlainTextEdit* memo, const QColor& colour) {
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, colour);
    memo->setPalette(palette);
}

// Memo lines centred, as the window shows them.
void CentreLines(QPlainTextEdit* memo) {
    QTextOption option = memo->document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    memo->document()->setDefaultTextOption(option);
}

}  // namespace

TUFormNotSupportedOS::TUFormNotSupportedOS(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TUFormNotSupportedOS>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    Memo2 = ui_->Memo2;
    Memo3 = ui_->Memo3;
    // The memos only show text: nothing in them answers the mouse or takes the focus.
    ui_->Panel1->setAttribute(Qt::WA_TransparentForMouseEvents);
    // FormCreate: the client area of the layout, or more where a text in the font actually
    // used needs it ("E-mail:" must not run into its link). The memos keep the layout's places.
    fit_ = std::make_unique<TextFit>(this, 329, std::vector<QWidget*>{ui_->Panel1});
    FitTexts();
    for (QPlainTextEdit* memo : {ui_->Memo1, ui_->Memo2, ui_->Memo3}) CentreLines(memo);
    PaintBase(ui_->Memo2, QColor(166, 202, 240));
    PaintBase(ui_->Memo3, QColor(166, 202, 240));
    PaintBase(ui_->Memo1, Qt::yellow);
    ui_->NTCLabelHTTP->setText(QString::fromLatin1(kOlderSiteHost));
    ui_->NTCLabelEMail->setText(QString::fromLatin1(kDeveloperAddress));
    for (QLabel* link : {ui_->NTCLabelHTTP, ui_->NTCLabelEMail}) SetTextColour(link, Qt::blue);
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
    setMouseTracking(true);
    installEventFilter(this);
    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TUFormNotSupportedOS::ButtonOkClick);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TUFormNotSupportedOS::~TUFormNotSupportedOS() = default;

void TUFormNotSupportedOS::FitTexts() {
    fit_->Fit();
    setFixedSize(fit_->Width(), 147 + fit_->ExtraHeight(this));
}

void TUFormNotSupportedOS::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The handlers of this window report nothing: a failure only leaves the texts as they were.
    if (event->type() == QEvent::FontChange && fit_) {
        Quietly([&] { FitTexts(); });
    }
}

void TUFormNotSupportedOS::ButtonOkClick() { TerminateApplication(); }

void TUFormNotSupportedOS::reject() {
    ButtonOkClick();
    QDialog::reject();
}

// The handlers below swallow their failures: error reporting is off on this path.
void TUFormNotSupportedOS::NTCLabelHTTPClick() {
    Quietly([] { ShellOpen(std::string("http://") + kOlderSiteHost, 0); });
}

void TUFormNotSupportedOS::NTCLabelEMailClick() {
    Quietly([] { ShellOpen(std::string("mailto:") + kDeveloperAddress, 0); });
}

bool TUFormNotSupportedOS::eventFilter(QObject* watched, QEvent* event) {
    bool handled = false;
    Quietly([&] {
        const bool onLink = watched == ui_->NTCLabelHTTP || watched == ui_->NTCLabelEMail;
        if (event->type() == QEvent::MouseMove) {
            SetTextColour(ui_->NTCLabelHTTP, watched == ui_->NTCLabelHTTP ? Qt::red : Qt::blue);
            SetTextColour(ui_->NTCLabelEMail, watched == ui_->NTCLabelEMail ? Qt::red : Qt::blue);
            // A move over a link is the link's alone: the window under it must not undo the colour.
            handled = onLink;
        } else if (onLink && event->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == ui_->NTCLabelHTTP) NTCLabelHTTPClick();
            else NTCLabelEMailClick();
            handled = true;
        }
    });
    return handled || QDialog::eventFilter(watched, event);
}

}  // namespace kestrune
