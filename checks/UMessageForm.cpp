#include "checks/UMessageForm.h"

#include <QApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextBrowser>

#include "checks/AgentResults.h"
#include "checks/CallerIcon.h"
#include "checks/UMessages.h"
#include "foundation/SafePageDocument.h"
#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "platform/FileSystem.h"
#include "ui_UFormUMessage.h"

namespace kestrune {

QPointer<TUFormUMessage> UFormUMessage;
bool MessagePageLoading = false;

const ProgramValues messageWindowValues([] {
    UFormUMessage = nullptr;
    MessagePageLoading = false;
});

TUFormUMessage::TUFormUMessage(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TUFormUMessage>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    UFormUMessage = this;
    page_ = new SafePageDocument(ui_->NTCWebBrowser1);
    ui_->NTCWebBrowser1->setDocument(page_);
    connect(ui_->Button1, &QPushButton::clicked, this, &TUFormUMessage::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TUFormUMessage::Button2Click);
    connect(ui_->NTCWebBrowser1, &QTextBrowser::anchorClicked, this, &TUFormUMessage::NTCWebBrowser1BeforeNavigate2);
    ui_->NTCWebBrowser1->viewport()->installEventFilter(this);
    FormCreate();
    KeepAboveOpenModalWindow(this);
}

// A window that goes without painting its page did not stop the start either.
TUFormUMessage::~TUFormUMessage() { ClearShowingMark(); }

bool TUFormUMessage::eventFilter(QObject* watched, QEvent* event) {
    Guard("UMs.003-01", [&] {
        // Once this first paint of the page has ended, the page is laid out and on the screen.
        if (showingMark_ && event->type() == QEvent::Paint && watched == ui_->NTCWebBrowser1->viewport())
            QMetaObject::invokeMethod(this, &TUFormUMessage::ClearShowingMark, Qt::QueuedConnection);
    });
    return QDialog::eventFilter(watched, event);
}

void TUFormUMessage::ClearShowingMark() {
    Guard("UMs.003-01", [&] {
        if (!showingMark_) return;
        showingMark_ = false;
        ClearMessagePageShowing(CommandLineLanguage);
    });
}

void TUFormUMessage::FormCreate() {
    Guard("UMs.003-01", [&] {
        setFixedSize(664, 515);
        MessagePageLoading = true;
        CaptureFormTexts(0, this);
        TranslateForm(0, this);
        setWindowTitle(QString::fromStdString(CallingProgramName));
        ui_->Panel1->setText(
            QString::fromStdString(FillPlaceholders(ui_->Panel1->text().toStdString(), {CallingProgramName}, "s")));
        const QPixmap picture = CallerIconPixmap(48);
        if (!picture.isNull()) ui_->Image1->setPixmap(picture);
        // The page is markup from the network: shown without loading anything it names. A page
        // that cannot be shown stays current no longer.
        const std::string current = CurrentMessagePagePath(CommandLineLanguage);
        bool shown = false;
        const auto dropUnshown = qScopeGuard([&] {
            if (!shown) RemoveAgentFile(current);
        });
        if (const auto text = UsableMessagePage(current)) {
            // A start that is killed, hangs or crashes before the page has painted leaves the mark,
            // and the next start drops the page; a page that cannot be marked is not laid out.
            if (!MarkMessagePageShowing(CommandLineLanguage))
                throw std::runtime_error("The message page cannot be marked as shown: " +
                                         MessagePageShowingMarkPath(CommandLineLanguage));
            showingMark_ = true;
            page_->SetPage(QString::fromStdString(*text));
            shown = true;
        }
        MessagePageLoading = false;
    });
}

void TUFormUMessage::Button1Click() {
    Guard("UMs.001-01", [&] {
        platform::CreateDirectories(GetProgramPath(2, ""));
        const platform::IoResult written = platform::WriteFileAtomic(SilencedMessagesMarkerPath(), "");
        if (!written) throw std::runtime_error(written.message);
        close();
    });
}

void TUFormUMessage::Button2Click() {
    Guard("UMs.002-01", [&] { close(); });
}

void TUFormUMessage::NTCWebBrowser1BeforeNavigate2(const QUrl& url) {
    Guard("UMs.006-01", [&] {
        if (MessagePageLoading) return;
        // Only a web or mail address opens, never a file; a refusal is no failure of the program.
        // Encoded as the page wrote it: a decoded "%20" would be a blank, which no link may hold.
        OpenPageLink(url.toString(QUrl::FullyEncoded).toStdString());
    });
}

void messages::CheckNewFile(WindowHandle hostWindow) {
    Guard("UMs.006-01", [&] {
        if (!TakeOverMessagePages()) return;
        if (platform::FileAgeReadable(SilencedMessagesMarkerPath())) return;
        if (SuppressCheckWindows || CommandLineLanguage.empty()) return;
        // Only a page the window can show opens it (a folder in its place does not); it stays
        // current until it is silenced.
        if (!UsableMessagePage(CurrentMessagePagePath(CommandLineLanguage))) return;
        ShowFormModal(false, hostWindow, [] { return static_cast<QWidget*>(new TUFormUMessage()); });
    });
}

}  // namespace kestrune
