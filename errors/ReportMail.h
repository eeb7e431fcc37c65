#pragma once
// The report and review mail of the error window. The window's Send buttons call these with the
// window seen as a MailWindow: what the mail needs of it, and nothing of its components.

#include <functional>
#include <string>
#include <vector>

#include "errors/MailBody.h"
#include "errors/MailNotes.h"

namespace kestrune {

// What the user entered on the page of the mail, every character as typed.
struct MailEntries {
    std::string nickName;
    std::string mail;
    std::string text;  // lines joined by LF
};

// The error window as the mail sees it.
class MailWindow {
public:
    virtual ~MailWindow() = default;
    // The entries of the report page (report) or of the review page (review).
    virtual MailEntries Entries(MailKind kind) const = 0;
    // The sending page, painted before the transfer starts; the Send buttons are disabled until
    // the send has ended, so that a click queued during the transfer cannot send again.
    virtual void ShowSendingPage() = 0;
    // The thank-you box, or the failure box with details that say what failed (never a text of
    // the mail or TLS library), in the window's language.
    virtual void ShowMailResult(MailKind kind, bool sent, const std::vector<MailNote>& details) = 0;
};

// Button5Click: the report body, then SendMail. Answers true when the mail was delivered; false
// when it was not: the send failed, or the body could not be made (an error log that is no
// readable file), each with its failure box, or another mail is being sent (no box). The window
// then keeps the user's entries, so that they can be sent again.
bool SendReportFromWindow(MailWindow& window);
// Button6Click: the review body, then SendMail; answers as the report does.
bool SendReviewFromWindow(MailWindow& window);

// Closes the body with the user's entries, shows the sending page and mails it over the first
// account, then, when that fails in any way, over the second. After a delivery the error log,
// when the body carried it and it is unchanged, and then its empty folder are deleted and the
// thank-you box is shown; otherwise the failure box, and the log stays. An account that cannot
// be used or fails is named on stderr and in the failure box's details. Answers true when the
// mail was delivered.
bool SendMail(MailWindow& window, MailKind kind, std::vector<std::string> body);

// Where the rows of system information come from (date row, rows 3 to 7, running time, trailer).
using MailSystemRowsSource = std::function<MailSystemRows()>;
// An empty function returns to the program's own rows.
void SetMailSystemRowsSource(MailSystemRowsSource source);

// The largest part of the error log that a mail carries: its first entries, in whole lines.
inline constexpr std::size_t kErrorLogMailLimit = 102400;

}  // namespace kestrune
