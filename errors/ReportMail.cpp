#include "errors/ReportMail.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "errors/ErrorLog.h"
#include "errors/ErrorState.h"
#include "errors/LogRead.h"
#include "errors/MailMessage.h"
#include "errors/MailSender.h"
#include "errors/MailSettings.h"
#include "foundation/ModalWindows.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Product.h"
#include "foundation/core/Quietly.h"
#include "language/pack/LanguagePack.h"
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

// The error log for the body: nullopt when there is none; false when a log exists and is no
// file that can be read. A log beyond the mail's limit gives its first entries and is kept.
bool ReadErrorLogForMail(std::optional<std::string>& log, std::optional<std::string>& mailed) {
    log.reset();
    mailed.reset();
    LogRead read = ReadLogFile(ErrorLogPath(), kErrorLogMailLimit, false);
    switch (read.status) {
        case LogRead::Status::Missing: return true;
        case LogRead::Status::NotAFile:
        case LogRead::Status::Unreadable:
            std::fprintf(stderr, "%s: the error log %s is no file that can be read; nothing is mailed.\n", kProductName,
                         platform::NativePath(ErrorLogPath()).c_str());
            return false;
        case LogRead::Status::Read: break;
    }
    if (read.complete) {
        mailed = read.bytes;
        log = std::move(read.bytes);
    } else {
        log = WholeLinesOf(std::move(read.bytes));
    }
    return true;
}

// Logs come in whatever code page their writer used: line by line UTF-8 when it is, else
// Windows-1251, with the decoder of the language packs. The calling program's name and version
// come from its command line in the same code page and are read alike.
std::string AsUtf8(const std::string& bytes) {
    return langpack::DecodePackText(bytes, langpack::LegacyCodePage::Cp1251);
}

std::optional<std::string> AsUtf8(const std::optional<std::string>& bytes) {
    return bytes ? std::optional<std::string>(AsUtf8(*bytes)) : std::nullopt;
}

// The rows name the calling program as its command line gave it: the mail, which declares
// UTF-8, carries them read as its log is.
MailSystemRows SystemRows() {
    MailSystemRows rows = g_rowsSource ? g_rowsSource() : OwnSystemRows();
    rows.dateTime = AsUtf8(rows.dateTime);
    for (std::string& row : rows.info) row = AsUtf8(row);
    rows.programWorked = AsUtf8(rows.programWorked);
    rows.trailer = AsUtf8(rows.trailer);
    return rows;
}

struct Delivery {
    bool sent = false;
    std::vector<MailNote> details;  // one for each account that could not be used or failed
};

void Note(Delivery& delivery, MailNote note) {
    // Both accounts fail alike when the settings file is missing: one line says it.
    if (std::find(delivery.details.begin(), delivery.details.end(), note) != delivery.details.end()) return;
    std::fprintf(stderr, "%s: mail: %s\n", kProductName, MailNoteText(note).c_str());
    delivery.details.push_back(std::move(note));
}

MailNoteId FailureNote(MailOutcome outcome) {
    switch (outcome) {
        case MailOutcome::Unusable: return MailNoteId::AccountUnusable;
        case MailOutcome::ConnectFailed: return MailNoteId::ConnectFailed;
        case MailOutcome::TlsFailed: return MailNoteId::TlsFailed;
        case MailOutcome::LoginRefused: return MailNoteId::LoginRefused;
        case MailOutcome::RecipientRefused: return MailNoteId::RecipientRefused;
        case MailOutcome::SendRefused: return MailNoteId::SendRefused;
        case MailOutcome::TimedOut: return MailNoteId::TimedOut;
        case MailOutcome::NoMailLibrary: return MailNoteId::NoMailLibrary;
        case MailOutcome::Delivered:
        case MailOutcome::Failed: break;
    }
    return MailNoteId::AccountFailed;
}

// Both accounts in turn.
Delivery Deliver(MailMessage message) {
    Delivery delivery;
    if (!IsSafeHeaderText(message.senderName)) {
        Note(delivery, {MailNoteId::ProgramNameUnsafe, {}});
        return delivery;
    }
    if (!IsPlainMailAddress(message.recipient)) {
        Note(delivery, {MailNoteId::RecipientUnsafe, {}});
        return delivery;
    }
    const MailSettings settings = LoadMailSettings(MailSettingsPath());
    const SmtpsSender sender(settings.caBundle);
    // The Date header reads the local clock through its seam, as every date of the program does.
    std::tm local = platform::LocalTimeNow();
    const std::time_t now = std::mktime(&local);
    const std::string id = RandomMessageIdPart();
    for (std::size_t i = 0; i < settings.accounts.size(); ++i) {
        const MailAccount& account = settings.accounts[i];
        const std::string name = "[Account" + std::to_string(i + 1) + "]";
        if (!account.usable()) {
            Note(delivery, account.note);
            continue;
        }
        message.senderAddress = account.sender;
        if (const std::optional<MailNoteId> problem = CheckMessage(message)) {
            Note(delivery, {*problem, {name}});
            continue;
        }
        const MailAttempt attempt = sender.Send(account, message.recipient, ComposeMessage(message, now, id));
        if (attempt.delivered()) {
            delivery.sent = true;
            return delivery;
        }
        Note(delivery, {FailureNote(attempt.outcome), {name, account.host + ":" + std::to_string(account.port)}});
    }
    return delivery;
}

void DeleteMailedLog() {
    const std::string log = ErrorLogPath();
    if (g_mailedLog) {
        // Read as carefully as before the mail: the log may have been replaced in the meantime.
        const LogRead now = ReadLogFile(log, g_mailedLog->size(), false);
        if (now.status == LogRead::Status::Read && now.complete && now.bytes == *g_mailedLog) platform::RemoveFile(log);
    }
    const std::string folder = ErrorLogFolder();
    if (platform::IsDirectory(folder)) platform::RemoveEmptyDirectory(folder);
}

}  // namespace

void SetMailSystemRowsSource(MailSystemRowsSource source) { g_rowsSource = std::move(source); }

// The mailer's routines swallow their failures: the error window is open and counts them.
bool SendMail(MailWindow& window, MailKind kind, std::vector<std::string> body) {
    // The sending page lets the event loop paint; nothing that runs then may start a second mail.
    if (g_sending) return false;
    g_sending = true;
    bool sent = false;
    Quietly([&] {
        const bool report = kind == MailKind::Report;
        const MailEntries entries = window.Entries(kind);
        MailMessage message;
        message.senderName = AsUtf8(ProductName + " " + VersionTag);
        message.recipient = AuthorAddress;
        message.subject = report ? "Error log" : "Review";
        message.bodyLines = WithClosingBlock(std::move(body), kind, entries.nickName, entries.mail, entries.text);
        window.ShowSendingPage();
        const Delivery delivery = Deliver(std::move(message));
        sent = delivery.sent;
        // The transfer held the thread; a window minimised meanwhile comes back before the box.
        ComeBackAfterUnansweredStretch();
        if (delivery.sent) DeleteMailedLog();
        window.ShowMailResult(kind, delivery.sent, delivery.details);
    });
    g_mailedLog.reset();
    g_sending = false;
    return sent;
}

bool SendReportFromWindow(MailWindow& window) {
    std::vector<std::string> body;
    bool ready = false;
    Quietly([&] {
        if (g_sending) return;
        if (ReporterMode) {
            g_mailedLog.reset();
            body = ReporterBody(AsUtf8(ReadCallerLog(ExternalErrorLogPath)), SystemRows());
        } else {
            std::optional<std::string> log;
            if (!ReadErrorLogForMail(log, g_mailedLog)) {
                window.ShowMailResult(MailKind::Report, false, {{MailNoteId::ErrorLogUnreadable, {}}});
                return;
            }
            body = ReportBody(AsUtf8(log));
        }
        ready = true;
    });
    if (!ready) return false;
    return SendMail(window, MailKind::Report, std::move(body));
}

bool SendReviewFromWindow(MailWindow& window) {
    std::vector<std::string> body;
    bool ready = false;
    Quietly([&] {
        if (g_sending) return;
        g_mailedLog.reset();
        std::optional<std::string> log;
        if (ErrorOccurred) {
            if (!ReadErrorLogForMail(log, g_mailedLog)) {
                window.ShowMailResult(MailKind::Review, false, {{MailNoteId::ErrorLogUnreadable, {}}});
                return;
            }
        } else if (platform::FileAgeReadable(ErrorLogPath())) {
            // Without an error in this run the log is only looked at, never read: the body then
            // begins with the closing block.
            log = std::string();
        }
        // The rows are gathered only when the body uses them.
        const MailSystemRows rows = log ? MailSystemRows{} : SystemRows();
        body = ReviewBody(AsUtf8(log), ErrorOccurred, ErrorDump, rows);
        ready = true;
    });
    if (!ready) return false;
    return SendMail(window, MailKind::Review, std::move(body));
}

}  // namespace kestrune
