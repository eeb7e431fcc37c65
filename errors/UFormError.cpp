#include "errors/UFormError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>
#include <QTextBlock>
#include <algorithm>

#include "errors/ErrorState.h"
#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/Quietly.h"
#include "language/LangProcessor.h"
#include "ui_UFormError.h"

namespace kestrune {
namespace {

constexpr int kClientWidth = 528;

std::string Text(const QString& text) { return text.toStdString(); }
QString Text(const std::string& text) { return QString::fromStdString(text); }

// The memo's lines as typed. toPlainText would turn a no-break space into a blank and a line
// separator into a line break.
std::string LinesAsTyped(const QPlainTextEdit& memo) {
    QString text;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
        if (block != memo.document()->begin()) text += QLatin1Char('\n');
        text += block.text();
    }
    return Text(text);
}

bool IsPageKey(const QKeyEvent& key, bool onTabBar) {
    if (key.modifiers() & Qt::ControlModifier) {
        switch (key.key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown: return true;
            default: break;
        }
    }
    if (!onTabBar) return false;
    switch (key.key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End: return true;
        default: return false;
    }
}

}  // namespace

namespace {

struct Mailers {
    WindowMailer report;
    WindowMailer review;
};
Mailers& TestMailers() {
    static Mailers mailers;
    return mailers;
}

}  // namespace

void SetWindowMailersForTesting(WindowMailer report, WindowMailer review) {
    TestMailers() = {std::move(report), std::move(review)};
}

bool MailReportFromWindow(TUFormError& errorWindow) {
    return TestMailers().report ? TestMailers().report(errorWindow) : SendReportFromWindow(errorWindow);
}

bool MailReviewFromWindow(TUFormError& errorWindow) {
    return TestMailers().review ? TestMailers().review(errorWindow) : SendReviewFromWindow(errorWindow);
}

TUFormError::TUFormError(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(new Ui::TUFormError),
      clientWidth_(kClientWidth) {
    Quietly([&] {
        ui_->setupUi(this);
        // The help frame lays itself out.
        fit_ = std::make_unique<TextFit>(this, kClientWidth, std::vector<QWidget*>{ui_->UFrameHlpBtn1});
        ui_->PageControl1->tabBar()->hide();
        ui_->PageControl1->installEventFilter(this);
        ui_->PageControl1->tabBar()->installEventFilter(this);
        connect(ui_->Button1, &QPushButton::clicked, this, &TUFormError::Button1Click);
        connect(ui_->Button2, &QPushButton::clicked, this, &TUFormError::Button2Click);
        connect(ui_->Button3, &QPushButton::clicked, this, &TUFormError::Button3Click);
        connect(ui_->Button4, &QPushButton::clicked, this, &TUFormError::Button4Click);
        connect(ui_->Button5, &QPushButton::clicked, this, &TUFormError::Button5Click);
        connect(ui_->Button6, &QPushButton::clicked, this, &TUFormError::Button6Click);
        connect(ui_->Button7, &QPushButton::clicked, this, &TUFormError::Button7Click);
        connect(ui_->Memo4, &QPlainTextEdit::textChanged, this, &TUFormError::Memo4Change);
    });
    FormCreate();
}

TUFormError::~TUFormError() {}

void TUFormError::FormCreate() {
    ErrorWindowOpen = true;
    Quietly([&] {
        ui_->Image1->setPixmap(QApplication::windowIcon().pixmap(48, 48));
        SetLayout(ui_->NTCTabSheet1, 175, 145, false);
        PageChangeAllowed = false;
        ShowPage(ui_->NTCTabSheet1, false);
        CaptureFormTexts(0, this);
        TranslateFormOrBuiltIn(0, this);
        ui_->Label1->setText(Text(FillPlaceholders(Text(ui_->Label1->text()), {kOwnProductName}, "s")));
        setWindowTitle(Text(FillPlaceholders(Text(windowTitle()), {kOwnProductName}, "s")));
        ui_->Button1->setEnabled(false);
        if (const auto& setup = CurrentErrorWindowHooks().setupHelpFrame) setup(ui_->UFrameHlpBtn1);
    });
    Quietly([&] { SetLayout(ui_->NTCTabSheet1, 175, 145, false); });
}

void TUFormError::FormClose() {
    ErrorWindowOpen = false;
    Quietly([&] {
        if (const auto& refresh = CurrentErrorWindowHooks().refreshHelpMenu) refresh();
    });
}

void TUFormError::ShowFailureLayout(const std::string& fullCode) {
    Quietly([&] {
        ui_->Panel2->setText(ui_->Panel2->text() + " " + kOwnVersion + "-" + Text(fullCode));
        SetLayout(ui_->NTCTabSheet1, 175, 145, false);
        ShowPage(ui_->NTCTabSheet1, false);
    });
}

void TUFormError::ShowReportLayout() {
    Quietly([&] {
        ShowPage(ui_->NTCTabSheet2, false);
        LayOutReportPage(true);
        SetCallerCaption();
    });
}

void TUFormError::ShowReviewLayout() {
    Quietly([&] {
        ShowPage(ui_->NTCTabSheet3, false);
        LayOutReviewPage(true);
        SetCallerCaption();
    });
}

void TUFormError::LayOutReportPage(bool centre) { SetLayout(ui_->NTCTabSheet2, 270, 270, centre); }

void TUFormError::LayOutReviewPage(bool centre) {
    if (ErrorOccurred) {
        SetLayout(ui_->NTCTabSheet3, 260, 230, centre);
        return;
    }
    // Without a failure to report the review needs no separator and no help button.
    ui_->Bevel3->hide();
    if (fit_) fit_->SetDesignTop(ui_->Button7, 225);
    if (fit_) fit_->SetDesignTop(ui_->Button6, 225);
    if (fit_) fit_->SetDesignHeight(ui_->Panel5, 260);
    SetLayout(ui_->NTCTabSheet3, 258, 350, centre);
}

void TUFormError::SetCallerCaption() { setWindowTitle(ui_->HTML3->text() + " " + Text(ProductName) + "..."); }

void TUFormError::SetLayout(QWidget* page, int clientHeight, int helpTop, bool centre) {
    int extra = 0;
    if (fit_) {
        fit_->Fit();
        clientWidth_ = fit_->Width();
        extra = fit_->ExtraHeight(page);
    }
    setFixedSize(clientWidth_, clientHeight + extra);
    ui_->UFrameHlpBtn1->move(6, helpTop + extra);
    ui_->UFrameHlpBtn1->raise();
    if (!centre) return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(clientWidth_ / 2, (clientHeight + extra) / 2));
    }
}

void TUFormError::ShowPage(QWidget* page, bool asPermittedChange) {
    if (asPermittedChange) PageChangeAllowed = true;
    ui_->PageControl1->setCurrentWidget(page);
    if (asPermittedChange) PageChangeAllowed = false;
}

bool TUFormError::PageControl1Changing() { return PageChangeAllowed; }

void TUFormError::Button1Click() {}

void TUFormError::Button2Click() {
    Quietly([&] {
        if (const auto& removeIcon = CurrentErrorWindowHooks().removeTrayIcon) removeIcon();
        setEnabled(false);
        // Ends every event loop, this window's too, without closing the window: the program
        // ends when control is back in the main loop.
        TerminateApplication();
    });
}

void TUFormError::Button3Click() {
    Quietly([&] {
        setEnabled(false);
        close();
    });
}

void TUFormError::Button4Click() {
    Quietly([&] {
        ui_->Button4->setEnabled(false);
        SetLayout(ui_->NTCTabSheet2, 300, 270, true);
        ShowPage(ui_->NTCTabSheet2, true);
    });
}

void TUFormError::Button5Click() {
    if (sending_) return;
    bool delivered = false;
    sending_ = true;
    Quietly([&] { delivered = MailReportFromWindow(*this); });
    sending_ = false;
    Quietly([&] {
        if (!delivered) {
            ShowReportAgain();
            return;
        }
        if (ReporterMode) {
            close();
            return;
        }
        SetLayout(ui_->NTCTabSheet1, 175, 190, true);
        ShowPage(ui_->NTCTabSheet1, true);
    });
}

// Nothing went out, whether the send failed or its body could not even be made (an error log
// that is no readable file): what the user typed stays, and so does the way to send it.
void TUFormError::ShowReportAgain() {
    ui_->Button5->setEnabled(true);
    if (ReporterMode) {
        // The caller's report page is the whole window: it stays, with its text and its Send.
        // Until now Send was its way out; Esc now is too, for a user who gives up the report.
        reportUndelivered_ = true;
        LayOutReportPage(false);
        ShowPage(ui_->NTCTabSheet2, true);
        return;
    }
    // The report page has no way out of its own (no Cancel, no Esc, no close box): back on the
    // error page, where ignore and close program are, and from where the report page with the
    // user's text is one click away again.
    ui_->Button4->setEnabled(true);
    SetLayout(ui_->NTCTabSheet1, 175, 190, false);
    ShowPage(ui_->NTCTabSheet1, true);
}

void TUFormError::Button6Click() {
    if (sending_) return;
    bool delivered = false;
    sending_ = true;
    Quietly([&] { delivered = MailReviewFromWindow(*this); });
    sending_ = false;
    Quietly([&] {
        if (!delivered) {
            ShowReviewAgain();
            return;
        }
        ShowPage(ui_->NTCTabSheet3, false);
        ui_->UFrameHlpBtn1->move(6, ErrorOccurred ? 270 : 350);
        setEnabled(false);
        close();
    });
}

// The review page as it was opened, with the user's text, its Send and its Cancel.
void TUFormError::ShowReviewAgain() {
    LayOutReviewPage(false);
    ShowPage(ui_->NTCTabSheet3, false);
    Memo4Change();
}

void TUFormError::Button7Click() { Button3Click(); }  // cancel closes as ignore does

MailEntries TUFormError::Entries(MailKind kind) const {
    MailEntries entries;
    const bool report = kind == MailKind::Report;
    entries.nickName = Text((report ? ui_->LabeledEdit1 : ui_->LabeledEdit3)->text());
    entries.mail = Text((report ? ui_->LabeledEdit2 : ui_->LabeledEdit4)->text());
    entries.text = LinesAsTyped(*(report ? ui_->Memo3 : ui_->Memo4));
    return entries;
}

void TUFormError::ShowSendingPage() {
    Quietly([&] {
        ui_->Button5->setEnabled(false);
        ui_->Button6->setEnabled(false);
        ui_->UFrameHlpBtn1->move(6, 350);
        ShowPage(ui_->NTCTabSheet4, false);
        // Painted before the transfer, which holds the window's thread.
        repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

void TUFormError::ShowMailResult(MailKind kind, bool sent, const std::vector<MailNote>& details) {
    Quietly([&] {
        const QLabel* message = kind == MailKind::Report ? ui_->htm1 : ui_->HTML2;
        const auto pick = [sent](const QLabel* label) { return Text(sent ? label->text() : label->toolTip()); };
        MessageBoxExtras extras;
        // The details in the window's language: the lines of its hidden memo of these texts.
        if (!sent) {
            std::vector<std::string> texts;
            for (QTextBlock block = ui_->Memo5->document()->begin(); block.isValid(); block = block.next())
                texts.push_back(Text(block.text()));
            extras.details = MailNotesText(details, texts);
        }
        extras.buttonTexts = {Text(ui_->htm11->text())};
        ShowMessageBox(this, pick(message), pick(ui_->htm10), sent ? "info" : "error", kMbSystemModal, extras);
    });
}

void TUFormError::Memo4Change() {
    Quietly([&] { ui_->Button6->setEnabled(!ui_->Memo4->toPlainText().isEmpty()); });
}

void TUFormError::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

void TUFormError::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Esc leaves it open, except on the caller's report page
    // after a report that did not go out (see ShowReportAgain).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        Quietly([&] {
            if (reportUndelivered_ && ReporterMode && ui_->PageControl1->currentWidget() == ui_->NTCTabSheet2) close();
        });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TUFormError::eventFilter(QObject* watched, QEvent* event) {
    bool refused = false;
    Quietly([&] {
        const bool onTabBar = watched == ui_->PageControl1->tabBar();
        if (watched != ui_->PageControl1 && !onTabBar) return;
        const bool pageRequest =
            (event->type() == QEvent::KeyPress && IsPageKey(*static_cast<QKeyEvent*>(event), onTabBar)) ||
            (onTabBar && (event->type() == QEvent::Wheel || event->type() == QEvent::MouseButtonPress));
        refused = pageRequest && !PageControl1Changing();
    });
    return refused || QDialog::eventFilter(watched, event);
}

}  // namespace kestrune
