#include "errors/UFormError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>
#include <QTextBlock>
#include <algorithm>

#include "errors/ErrorProcessor.h"
#include "errors/Quietly.h"
#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Placeholders.h"
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

// Components whose text decides their width; hidden ones only carry texts for the boxes.
bool ShowsText(const QWidget& widget) {
    if (widget.isHidden()) return false;
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) return !button->text().isEmpty();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) return !label->text().isEmpty();
    return false;
}

// Closer to the right edge than this, a component belongs to the right edge: it stretches (or,
// for a row of buttons, moves) with the window.
constexpr int kRightEdgeSlack = 8;

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

std::string FormatWithOneArgument(const std::string& text, const std::string& argument) {
    return FillPlaceholders(text, {argument}, "s");
}

TUFormError::TUFormError(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(new Ui::TUFormError),
      clientWidth_(kClientWidth) {
    Quietly([&] {
        ui_->setupUi(this);
        for (QWidget* child : findChildren<QWidget*>()) {
            const QString name = child->objectName();
            // The pages and the inner parts of Qt's own widgets follow their containers; the help
            // frame lays itself out.
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
                name.startsWith(QLatin1String("NTCTabSheet")) || child == ui_->UFrameHlpBtn1 ||
                ui_->UFrameHlpBtn1->isAncestorOf(child))
                continue;
            const QRect place = child->geometry();
            design_.push_back({child, place.x(), place.y(), place.width(), place.height()});
        }
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
    Quietly([&] {
        FitTexts();
        setFixedSize(clientWidth_, height());
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
        ui_->Panel2->setText(ui_->Panel2->text() + " " + kOwnVersion + "-" + Text(fullCode));
        SetLayout(175, 145, false);
        ShowPage(ui_->NTCTabSheet1, false);
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

void TUFormError::SetCallerCaption() { setWindowTitle(ui_->HTML3->text() + " " + Text(ProductName) + "..."); }

void TUFormError::SetLayout(int clientHeight, int helpTop, bool centre) {
    FitTexts();
    setFixedSize(clientWidth_, clientHeight);
    ui_->UFrameHlpBtn1->move(6, helpTop);
    ui_->UFrameHlpBtn1->raise();
    if (!centre) return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(clientWidth_ / 2, clientHeight / 2));
    }
}

void TUFormError::FitTexts() {
    struct Place {
        const DesignPlace* design;
        int x;
        int width;
        bool text;
    };
    std::vector<Place> places;
    for (const DesignPlace& d : design_) {
        const bool text = ShowsText(*d.widget);
        places.push_back({&d, d.x, text ? std::max(d.width, d.widget->sizeHint().width()) : d.width, text});
    }
    // Rows: components with text under one parent whose heights overlap, left to right. A grown
    // component pushes the rest of its row along and keeps the designed gaps.
    std::vector<std::vector<Place*>> rows;
    for (Place& place : places) {
        if (!place.text) continue;
        const DesignPlace& d = *place.design;
        std::vector<Place*>* row = nullptr;
        for (auto& candidate : rows) {
            const DesignPlace& other = *candidate.front()->design;
            if (other.widget->parentWidget() == d.widget->parentWidget() && d.y < other.y + other.height &&
                other.y < d.y + d.height)
                row = &candidate;
        }
        if (row) row->push_back(&place);
        else rows.push_back({&place});
    }
    int needed = kClientWidth;
    for (auto& row : rows) {
        std::sort(row.begin(), row.end(), [](const Place* a, const Place* b) { return a->design->x < b->design->x; });
        for (std::size_t i = 1; i < row.size(); ++i) {
            const DesignPlace& before = *row[i - 1]->design;
            const int gap = row[i]->design->x - (before.x + before.width);
            row[i]->x = std::max(row[i]->design->x, row[i - 1]->x + row[i - 1]->width + gap);
        }
        const Place& last = *row.back();
        const int margin = std::max(0, kClientWidth - (last.design->x + last.design->width));
        needed = std::max(needed, last.x + last.width + margin);
    }
    clientWidth_ = needed;
    const int extra = clientWidth_ - kClientWidth;
    const auto atRightEdge = [](const DesignPlace& d) { return d.x + d.width >= kClientWidth - kRightEdgeSlack; };
    // A row of buttons at the right edge stays there.
    for (auto& row : rows) {
        const bool buttons = std::all_of(row.begin(), row.end(), [](const Place* p) {
            return qobject_cast<const QPushButton*>(p->design->widget) != nullptr;
        });
        if (!buttons || !atRightEdge(*row.back()->design)) continue;
        const int target = row.back()->design->x + row.back()->design->width + extra;
        const int shift = std::max(0, target - (row.back()->x + row.back()->width));
        for (Place* place : row) place->x += shift;
    }
    for (Place& place : places) {
        const DesignPlace& d = *place.design;
        // Everything else that reaches the right edge stretches with the window.
        if (atRightEdge(d) && !qobject_cast<const QPushButton*>(d.widget))
            place.width = std::max(place.width, d.x + d.width + extra - place.x);
        const QRect now = d.widget->geometry();
        d.widget->setGeometry(place.x, now.y(), place.width, now.height());
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

void TUFormError::ShowMailResult(MailKind kind, bool sent, const std::string& details) {
    Quietly([&] {
        const QLabel* message = kind == MailKind::Report ? ui_->htm1 : ui_->HTML2;
        const auto pick = [sent](const QLabel* label) { return Text(sent ? label->text() : label->toolTip()); };
        MessageBoxExtras extras;
        if (!sent) extras.details = details;
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
        const bool pageRequest =
            (event->type() == QEvent::KeyPress && IsPageKey(*static_cast<QKeyEvent*>(event), onTabBar)) ||
            (onTabBar && (event->type() == QEvent::Wheel || event->type() == QEvent::MouseButtonPress));
        refused = pageRequest && !PageControl1Changing();
    });
    return refused || QDialog::eventFilter(watched, event);
}

}  // namespace kestrune
