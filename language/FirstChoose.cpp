#include "language/FirstChoose.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "foundation/ModalWindows.h"
#include "foundation/TextFit.h"
#include "foundation/core/Guard.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "ui_UFormFirstChoose.h"

namespace kestrune {

namespace {

// The language a run takes when the chooser was closed without its button: the one the
// settings file left, or the settings' own default. Nothing is stored, so the next run asks.
constexpr char kDefaultLanguage[] = "Russian";
// The client area of the layout.
constexpr int kClientWidth = 355;
constexpr int kClientHeight = 94;

}  // namespace

TUFormFirstChoose::TUFormFirstChoose(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TUFormFirstChoose>()) {
    ui_->setupUi(this);
    ComboBox1 = ui_->ComboBox1;
    Button3 = ui_->Button3;
    QPalette palette = ui_->Panel2->palette();
    palette.setColor(QPalette::Window, QColor(166, 202, 240));  // sky blue
    ui_->Panel2->setPalette(palette);
    connect(Button3, &QPushButton::clicked, this, &TUFormFirstChoose::Button3Click);
    fit_ = std::make_unique<TextFit>(this, kClientWidth);
}

TUFormFirstChoose::~TUFormFirstChoose() = default;

void TUFormFirstChoose::FormCreate() {
    Guard("FC.004-01", [&] {
        FillLanguageChooser(this, ComboBox1);
        // The entries are in: the combo box is as wide as the longest one needs.
        FitTexts();
        if (NeedLanguageChoice) {
            setWindowTitle(QString::fromStdString(LanguageProductName) + windowTitle());
            ComboBox1->setCurrentIndex(0);
            if (ComboBox1->count() < 2) {
                // Russian is the only language: taken without asking, and not stored.
                CurrentLanguage = LanguageList.empty() ? std::string(kDefaultLanguage) : LanguageList.front();
            } else {
                if (const QScreen* screen = QGuiApplication::primaryScreen())
                    move(screen->availableGeometry().center() - rect().center());
                ExecModal(*this);
                // Closed without the button (the close key, Esc): a run without a language would
                // wait for ever, invisible; it goes on in the stored language or the default.
                if (!LanguageChosen && CurrentLanguage.empty()) CurrentLanguage = kDefaultLanguage;
            }
        }
        setWindowOpacity(0.0);
    });
}

void TUFormFirstChoose::FitTexts() {
    fit_->Fit();
    setFixedSize(fit_->Width(), kClientHeight + fit_->ExtraHeight(this));
}

void TUFormFirstChoose::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && fit_) Guard("FC.004-01", [&] { FitTexts(); });
}

void TUFormFirstChoose::FormPaint() {
    Guard("FC.003-01", [&] {
        if (!NeedLanguageChoice) {
            close();
            return;
        }
        raise();
    });
}

void TUFormFirstChoose::Button3Click() {
    Guard("FC.001-01", [&] {
        const int index = ComboBox1->currentIndex();
        if (index >= 0 && static_cast<std::size_t>(index) < LanguageList.size()) {
            CurrentLanguage = LanguageList[static_cast<std::size_t>(index)];
            LanguageChosen = true;
            NeedLanguageChoice = false;
            SaveLanguageSettings();
        }
        accept();
    });
}

void TUFormFirstChoose::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    FormPaint();
}

void TUFormFirstChoose::closeEvent(QCloseEvent* event) {
    Guard("FC.002-01", [&] {
        event->accept();
        deleteLater();
    });
}

void CreateFirstChooseWindow(QWidget*) {
    // No owner window: the host is transparent and above the screen; the chooser is topmost.
    QPointer<TUFormFirstChoose> window = new TUFormFirstChoose();
    window->FormCreate();
    if (window) window->close();
    if (window) window->deleteLater();  // a window never shown may get no close event
}

}  // namespace kestrune
