#include "errors/UFormError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>

#include "errors/ErrorProcessor.h"
#include "errors/Quietly.h"
#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "language/LangProcessor.h"
#include "ui_UFormError.h"

namespace kestrune {
namespace {

constexpr int kClientWidth = 528;

std::string Text(const QString& text) { return text.toStdString(); }
QString Text(const std::string& text) { return QString::fromStdString(text); }

bool IsPageKey(const QKeyEvent& key, bool onTabBar) {
    if (key.modifiers() & Qt::ControlModifier) {
        switch (key.key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                return true;
            default:
                break;
        }
    }
    if (!onTabBar) return false;
    switch (key.key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string FormatWithOneArgument(const std::string& text, const std::string& argument) {
    std::string result;
    bool used = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 's' && !used) {
                result += argument;
                used = true;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

TUFormError::TUFormError(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui_(new Ui::TUFormError) {
    Quietly([&] {
        ui_->setupUi(this);
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

TUFormError::~TUFormError() {
    if (UFormError == this) UFormError = nullptr;
}

void TUFormError::FormCreate() {
    ErrorWindowOpen = true;
    Quietly([&] {
        ui_->Image1->setPixmap(QApplication::windowIcon().pixmap(48, 48));
        SetLayout(175, 145, false);
        PageChangeAllowed = false;
        ShowPage(ui_->NTCTabSheet1, false);
        CaptureFormTexts(0, this);
        TranslateFormOrBuiltIn(0, this);
        ui_->Label1->setText(Text(FormatWithOneArgument(Text(ui_->Label1->text()), kOwnProductName)));
        setWindowTitle(Text(FormatWithOneArgument(Text(windowTitle()), kOwnProductName)));
        ui_->Button1->setEnabled(false);
        if (const auto& setup = CurrentErrorWindowHooks().setupHelpFrame) setup(ui_->UFrameHlpBtn1);
    });
}

void TUFormError::FormClose() {
    ErrorWindowOpen = false;
    Quietly([&] {
        if (const auto& refresh = CurrentErrorWindowHooks().refreshHelpMenu) refresh();
    });
}

void TUFormError::ShowFailureLayout(const std::string& fullCode) {
    Quietly([&] {
        SetLayout(175, 145, false);
        ShowPage(ui_->NTCTabSheet1, false);
        ui_->Panel2->setText(ui_->Panel2->text() + " " + kOwnVersion + "-" + Text(fullCode));
    });
}

void TUFormError::ShowReportLayout() {
    Quietly([&] {
        ShowPage(ui_->NTCTabSheet2, false);
        SetLayout(270, 270, true);
        SetCallerCaption();
    });
}

void TUFormError::ShowReviewLayout() {
    Quietly([&] {
        ShowPage(ui_->NTCTabSheet3, false);
        if (ErrorOccurred) {
            SetLayout(260, 230, true);
        } else {
            // Without a failure to report the review needs no separator and no help button.
            ui_->Bevel3->hide();
            ui_->Button7->move(ui_->Button7->x(), 225);
            ui_->Button6->move(ui_->Button6->x(), 225);
            ui_->Panel5->resize(ui_->Panel5->width(), 260);
            SetLayout(258, 350, true);
        }
        SetCallerCaption();
    });
}

void TUFormError::SetCallerCaption() {
    setWindowTitle(ui_->HTML3->text() + " " + Text(ProductName) + "...");
}

void TUFormError::SetLayout(int clientHeight, int helpTop, bool centre) {
    setFixedSize(kClientWidth, clientHeight);
    ui_->UFrameHlpBtn1->move(6, helpTop);
    ui_->UFrameHlpBtn1->raise();
    if (!centre) return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kClientWidth / 2, clientHeight / 2));
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
        SetLayout(300, 270, true);
        ShowPage(ui_->NTCTabSheet2, true);
    });
}

void TUFormError::Button5Click() {
    Quietly([&] {
        if (!MailReportFromWindow(*this)) return;
        if (ReporterMode) {
            close();
            return;
        }
        SetLayout(175, 190, true);
        ShowPage(ui_->NTCTabSheet1, true);
    });
}

void TUFormError::Button6Click() {
    Quietly([&] {
        if (!MailReviewFromWindow(*this)) return;
        ShowPage(ui_->NTCTabSheet3, false);
        ui_->UFrameHlpBtn1->move(6, ErrorOccurred ? 270 : 350);
        setEnabled(false);
        close();
    });
}

void TUFormError::Button7Click() { Button3Click(); }  // cancel closes as ignore does

void TUFormError::Memo4Change() {
    Quietly([&] { ui_->Button6->setEnabled(!ui_->Memo4->toPlainText().isEmpty()); });
}

void TUFormError::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

void TUFormError::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Esc leaves it open.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TUFormError::eventFilter(QObject* watched, QEvent* event) {
    bool refused = false;
    Quietly([&] {
        const bool onTabBar = watched == ui_->PageControl1->tabBar();
        if (watched != ui_->PageControl1 && !onTabBar) return;
        const bool pageRequest = (event->type() == QEvent::KeyPress &&
                                  IsPageKey(*static_cast<QKeyEvent*>(event), onTabBar)) ||
                                 (onTabBar && (event->type() == QEvent::Wheel || event->type() == QEvent::MouseButtonPress));
        refused = pageRequest && !PageControl1Changing();
    });
    return refused || QDialog::eventFilter(watched, event);
}

}  // namespace kestrune
