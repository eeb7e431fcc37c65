#include "host/About.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>

#include "foundation/SafePageDocument.h"
#include "foundation/ShellOpen.h"
#include "foundation/TextFit.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/Product.h"
#include "host/AboutPage.h"
#include "host/IncludeModules.h"
#include "language/LangProcessor.h"
#include "ui_UFormAbout.h"

namespace kestrune {
namespace {

constexpr int kDesignWidth = 328;
constexpr int kPanel4Height = 62;
const QColor kWindowColour(230, 230, 230);
const QColor kSkyBlue(166, 202, 240);
const QColor kCreditsColour(186, 222, 255);
const QColor kBarColour(210, 210, 210);

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

std::string Text(const QLabel* label) { return label->text().toStdString(); }

// The caption with its "%s" filled; a translated caption is never a format.
void Fill(QLabel* label, const std::string& value) {
    label->setText(QString::fromStdString(FillPlaceholders(Text(label), {value}, "s")));
}

// The program's one-line description, kept translated by the include panel's carrier frame.
QString ProgramDescription() {
    if (!IncludePanel) return {};
    const auto* label = IncludePanel->findChild<QLabel*>("AboutProgram");
    return label ? label->text() : QString();
}

}  // namespace

TUFormAbout::TUFormAbout(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TUFormAbout>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    fit_ = std::make_unique<TextFit>(this, kDesignWidth);
    Paint(this, kWindowColour);
    Paint(ui_->Panel4, kWindowColour);
    Paint(ui_->TabSheet1, kWindowColour);
    for (QWidget* panel : {ui_->NTCPanel, ui_->NTCPanel5, ui_->NTCPanel6}) Paint(panel, kSkyBlue);
    Paint(ui_->NTCPanel1, kCreditsColour);
    Paint(ui_->NTCMemo1, kSkyBlue);
    Paint(ui_->NTCPanel3, kBarColour);
    ui_->NTCLabelHTTP->setText(QString::fromLatin1(kSiteHost));
    ui_->NTCLabelEMail->setText(QString::fromLatin1(kDeveloperAddress));
    // The page's own background: the writer keeps no style of a page.
    Paint(ui_->AboutPage, kWindowColour);
    page_ = new SafePageDocument(ui_->AboutPage);
    ui_->AboutPage->setDocument(page_);

    // Hover colours: every widget of the window reports its mouse moves here.
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
    setMouseTracking(true);
    installEventFilter(this);
    for (QLabel* link : {ui_->NTCLabelHTTP, ui_->NTCLabelEMail, ui_->NTC1Label5, ui_->NTC1Label8})
        SetTextColour(link, Qt::blue);
    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TUFormAbout::ButtonOkClick);
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TUFormAbout::~TUFormAbout() = default;

void TUFormAbout::FormCreate() {
    Guard("UA.007-01", [&] {
        ui_->PageControl1->setCurrentWidget(ui_->TabSheet1);
        ui_->NTCLabel17->setText(ProgramDescription());
        // Only the first page is ever seen: the tab row is out of sight.
        ui_->PageControl1->tabBar()->hide();
        SetClientSize(kDesignWidth, 282);
        CaptureFormTexts(0, this);
        TranslateForm(0, this);

        // The page is shown straight from the program's own copy; it is never written to a shared
        // folder and read back, where another user could put something else in its place.
        const std::optional<std::string> stored = StoredAboutPage();
        if (!stored) throw std::runtime_error("The About page cannot be read.");
        if (auto archive = ParseAboutPage(*stored)) page_->SetPage(archive->html, std::move(archive->parts));

        Fill(ui_->Label2, MinimumWindowsText);
        if (!TranslatorName.empty()) {
            int height = 20;
            ui_->NTCPanel1->setVisible(true);
            Fill(ui_->NTC1Label3, TranslatorName);
            if (!TranslatorUrl.empty()) {
                height = 40;
                Fill(ui_->NTC1Label5, TranslatorUrl);
                ui_->NTC1Label5->setVisible(true);
                ui_->NTC1Label6->setVisible(true);
            }
            if (!TranslatorMail.empty()) {
                Fill(ui_->NTC1Label8, TranslatorMail);
                ui_->NTC1Label8->setVisible(true);
                ui_->NTC1Label7->setVisible(true);
                ui_->NTC1Label8->move(ui_->NTC1Label8->x(), height - 2);
                ui_->NTC1Label7->move(ui_->NTC1Label7->x(), height);
                fit_->SetDesignTop(ui_->NTC1Label8, height - 2);
                fit_->SetDesignTop(ui_->NTC1Label7, height);
                height += 20;
            }
            ui_->NTCPanel1->resize(ui_->NTCPanel1->width(), height);
            fit_->SetDesignHeight(ui_->NTCPanel1, height);
            SetClientSize(kDesignWidth, 308 - 20 + height);
        }
        ui_->NTCLabel2->setText(QString(kProductName) + " " + ui_->Vers->text() + " " + kProgramVersionTag);
        ui_->NTCPanel3->setText(QStringLiteral("Made in Russia/Ukraine") + QString(23, ' ') +
                                QStringLiteral("The date of issue: 08.11.14"));
        ui_->NTCMemo1->clear();
    });
    // Whatever FormCreate reached after its size, the texts it filled are fitted.
    if (clientWidth_ > 0) Guard("UA.007-01", [&] { SetClientSize(clientWidth_, clientHeight_); });
}

void TUFormAbout::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    fit_->Fit();
    // The bottom panel has a height of its own in the window's column; the page grows the rest.
    const int panelExtra = fit_->ExtraHeight(ui_->Panel4);
    ui_->Panel4->setFixedHeight(kPanel4Height + panelExtra);
    setFixedSize(std::max(width, fit_->Width()), height + panelExtra + fit_->ExtraHeight(ui_->TabSheet1));
}

void TUFormAbout::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && fit_ && clientWidth_ > 0)
        Guard("UA.007-01", [&] { SetClientSize(clientWidth_, clientHeight_); });
}

void TUFormAbout::ButtonOkClick() {
    Guard("UA.001-01", [&] { close(); });
}

void TUFormAbout::NTCLabelHTTPClick() {
    Guard("UA.005-01", [&] { ShellOpen(std::string("http://") + kSiteHost + "/", 0); });
}

void TUFormAbout::NTCLabelEMailClick() {
    Guard("UA.003-01", [&] { ShellOpen(std::string("mailto:") + kDeveloperAddress, 5); });
}

void TUFormAbout::NTC1Label5Click() {
    Guard("UA.011-01", [&] { ShellOpen("http://" + Text(ui_->NTC1Label5), 0); });
}

void TUFormAbout::NTC1Label8Click() {
    Guard("UA.012-01", [&] { ShellOpen("mailto:" + Text(ui_->NTC1Label8), 5); });
}

void TUFormAbout::FormMouseMove() {
    Guard("UA.004-01", [&] {
        for (QLabel* link : {ui_->NTCLabelHTTP, ui_->NTCLabelEMail, ui_->NTC1Label5, ui_->NTC1Label8})
            SetTextColour(link, Qt::blue);
    });
}

void TUFormAbout::LinkMouseMove(QLabel* link, const char* code) {
    Guard(code, [&] { SetTextColour(link, Qt::red); });
}

bool TUFormAbout::eventFilter(QObject* watched, QEvent* event) {
    const bool move = event->type() == QEvent::MouseMove;
    const bool click =
        event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (!move && !click) return QDialog::eventFilter(watched, event);
    struct Link {
        QLabel* label;
        const char* moveCode;
        void (TUFormAbout::*click)();
    };
    const Link links[] = {{ui_->NTCLabelHTTP, "UA.006-01", &TUFormAbout::NTCLabelHTTPClick},
                          {ui_->NTCLabelEMail, "UA.008-01", &TUFormAbout::NTCLabelEMailClick},
                          {ui_->NTC1Label5, "UA.009-01", &TUFormAbout::NTC1Label5Click},
                          {ui_->NTC1Label8, "UA.010-01", &TUFormAbout::NTC1Label8Click}};
    for (const Link& link : links) {
        if (watched != link.label) continue;
        if (move) LinkMouseMove(link.label, link.moveCode);
        else (this->*link.click)();
        return true;  // the window under the label must not turn it blue again
    }
    // The window, its bottom panel and the sky-blue panels with their labels turn the links blue.
    static const QStringList resetting = {"Panel4", "NTCPanel",  "NTCLabel2",  "NTCPanel5",  "NTCLabel17", "NTCPanel6",
                                          "Label2", "NTCPanel1", "NTC1Label3", "NTC1Label6", "NTC1Label7"};
    const bool resets = watched == this || resetting.contains(watched->objectName());
    if (move && resets) FormMouseMove();
    return QDialog::eventFilter(watched, event);
}

}  // namespace kestrune
