#include "errors/ReportMail.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "errors/ErrorLog.h"
#include "errors/ErrorProcessor.h"
#include "errors/MailMessage.h"
#include "errors/MailSender.h"
#include "errors/MailSettings.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "language/LangProcessor.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace kestrune {

namespace {

MailSystemRowsSource g_rowsSource;
// The error log as the Send button put it into the body; only that is deleted after a delivery.
std::optional<std::string> g_mailedLog;
bool g_sending = false;

// The rows of a log entry that the mails repeat, built as the error log builds them.
MailSystemRows OwnSystemRows() {
    MailSystemRows rows;
    rows.dateTime = LogDateText(platform::LocalTimeNow());
    std::string info = SystemInfoRows();  // rows 3 to 7, each ended by CR LF
    while (!info.empty() && (info.back() == '\n' || info.back() == '\r')) info.pop_back();
    rows.info = {info};
    const std::uint32_t worked = platform::TickCount() - StartTickCount;  // wraps as the count does
    rows.programWorked = "Program worked = " + DurationText(worked);
    rows.trailer = LogEntryTrailer();
    return rows;
}

MailSystemRows SystemRows() { return g_rowsSource ? g_rowsSource() : OwnSystemRows(); }

// The log when it exists. A log that exists and cannot be read ends the Send click (throws).
std::optional<std::string> ReadErrorLog() {
    const std::string path = ErrorLogPath();
    if (!platform::FileAgeReadable(path)) return std::nullopt;
    auto bytes = platform::ReadWholeFile(path);
    if (!bytes) throw std::runtime_error("error log cannot be read");
    return bytes;
}

// Texts of the window are UTF-8 inside the program; a log in another encoding keeps its
// readable part.
std::string AsUtf8(const std::string& bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString(); }
std::optional<std::string> AsUtf8(const std::optional<std::string>& bytes) {
    return bytes ? std::optional<std::string>(AsUtf8(*bytes)) : std::nullopt;
}

std::string TextOf(QWidget& window, const char* name) {
    QWidget* widget = window.findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return memo->toPlainText().toStdString();
    if (auto* rich = qobject_cast<QTextEdit*>(widget)) return rich->toPlainText().toStdString();
    throw std::runtime_error(std::string("no text component ") + name);
}

std::vector<std::string> MemoLines(QWidget& window) {
    const std::string text = TextOf(window, "Memo2");
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

void SetMemoLines(QWidget& window, const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    QWidget* widget = window.findChild<QWidget*>(QStringLiteral("Memo2"));
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) memo->setPlainText(QString::fromStdString(text));
    else if (auto* rich = qobject_cast<QTextEdit*>(widget)) rich->setPlainText(QString::fromStdString(text));
    else throw std::runtime_error("no memo Memo2");
}

void ShowResult(QWidget& window, bool sent, MailKind kind) {
    auto* textLabel = window.findChild<QLabel*>(kind == MailKind::Report ? QStringLiteral("htm1") : QStringLiteral("HTML2"));
    auto* captionLabel = window.findChild<QLabel*>(QStringLiteral("htm10"));
    const auto pick = [sent](QLabel* label) {
        return label ? (sent ? label->text() : label->toolTip()).toStdString() : std::string();
    };
    const std::string text = pick(textLabel);
    const std::string caption = pick(captionLabel);
    const std::string boxKind = sent ? "info" : "error";
    ShowMessageBox(&window, text, caption, boxKind, kMbSystemModal);
}

// The sending page, painted before the transfer starts; the Send buttons stay disabled, so that
// clicks queued during the transfer cannot send again.
void ShowSendingPage(QWidget& window) {
    for (const char* name : {"Button5", "Button6"}) {
        if (auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name))) button->setEnabled(false);
    }
    if (auto* help = window.findChild<QWidget*>(QStringLiteral("UFrameHlpBtn1"))) help->move(help->x(), 350);
    QWidget* page = window.findChild<QWidget*>(QStringLiteral("NTCTabSheet4"));
    QWidget* pages = window.findChild<QWidget*>(QStringLiteral("PageControl1"));
    const bool allowed = PageChangeAllowed;
    PageChangeAllowed = true;
    if (auto* tabs = qobject_cast<QTabWidget*>(pages); tabs && page) tabs->setCurrentWidget(page);
    else if (auto* stack = qobject_cast<QStackedWidget*>(pages); stack && page) stack->setCurrentWidget(page);
    PageChangeAllowed = allowed;
    window.repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Both accounts in turn; true when one of them delivered.
bool Deliver(MailMessage message) {
    if (!IsSafeHeaderText(message.senderName) || !IsPlainMailAddress(message.recipient)) return false;
    const MailSettings settings = LoadMailSettings(MailSettingsPath());
    const SmtpsSender sender(settings.caBundle);
    const std::time_t now = std::time(nullptr);
    const std::string id = RandomMessageIdPart();
    for (const MailAccount& account : settings.accounts) {
        message.senderAddress = account.sender;
        if (!account.usable() || CheckMessage(message)) continue;
        if (sender.Send(account, message.recipient, ComposeMessage(message, now, id)).delivered()) return true;
    }
    return false;
}

void DeleteMailedLog() {
    const std::string log = ErrorLogPath();
    if (g_mailedLog && platform::ReadWholeFile(log) == g_mailedLog) platform::RemoveFile(log);
    const std::string folder = ErrorLogFolder();
    if (platform::IsDirectory(folder)) ::rmdir(platform::NativePath(folder).c_str());  // only when empty
}

}  // namespace

void SetMailSystemRowsSource(MailSystemRowsSource source) { g_rowsSource = std::move(source); }

// The mailer's routines swallow their failures: the error window is open and counts them.
void SendMail(QWidget& errorWindow, MailKind kind) {
    // The sending page lets the event loop paint; nothing that runs then may start a second mail.
    if (g_sending) return;
    g_sending = true;
    try {
        const bool report = kind == MailKind::Report;
        const std::vector<std::string> body =
            WithClosingBlock(MemoLines(errorWindow), kind, TextOf(errorWindow, report ? "LabeledEdit1" : "LabeledEdit3"),
                             TextOf(errorWindow, report ? "LabeledEdit2" : "LabeledEdit4"),
                             TextOf(errorWindow, report ? "Memo3" : "Memo4"));
        SetMemoLines(errorWindow, body);
        MailMessage message;
        message.senderName = ProductName + " " + VersionTag;
        message.recipient = AuthorAddress;
        message.subject = report ? "Error log" : "Review";
        message.bodyLines = body;
        ShowSendingPage(errorWindow);
        const bool sent = Deliver(std::move(message));
        if (sent) DeleteMailedLog();
        ShowResult(errorWindow, sent, kind);
    } catch (...) {
    }
    g_mailedLog.reset();
    g_sending = false;
}

bool SendReportFromWindow(QWidget& errorWindow) {
    try {
        if (g_sending) return false;
        std::vector<std::string> body;
        g_mailedLog.reset();
        if (ReporterMode) {
            body = ReporterBody(AsUtf8(ReadCallerLog(ExternalErrorLogPath)), SystemRows());
        } else {
            g_mailedLog = ReadErrorLog();
            body = ReportBody(AsUtf8(g_mailedLog));
        }
        SetMemoLines(errorWindow, body);
    } catch (...) {
        return false;
    }
    SendMail(errorWindow, MailKind::Report);
    return true;
}

bool SendReviewFromWindow(QWidget& errorWindow) {
    try {
        if (g_sending) return false;
        const std::optional<std::string> log = ReadErrorLog();
        // The rows are gathered only when the body uses them.
        const MailSystemRows rows = log ? MailSystemRows{} : SystemRows();
        SetMemoLines(errorWindow, ReviewBody(AsUtf8(log), ErrorOccurred, ErrorDump, rows));
        g_mailedLog.reset();
        if (log && ErrorOccurred) g_mailedLog = log;
    } catch (...) {
        return false;
    }
    SendMail(errorWindow, MailKind::Review);
    return true;
}

}  // namespace kestrune
