#pragma once
// The report and review mail of the error window. The window's Send buttons and its SendMail
// method call these; they reach the window's components by their names.

#include <functional>
#include <string>

#include "errors/MailBody.h"

class QWidget;

namespace kestrune {

// Button5Click: the report body into the window's hidden memo Memo2, then SendMail. Answers false
// when the body could not be made (an error log that cannot be read): nothing is mailed, and the
// click ends without a box.
bool SendReportFromWindow(QWidget& errorWindow);
// Button6Click: the review body into Memo2, then SendMail; answers as the report does.
bool SendReviewFromWindow(QWidget& errorWindow);

// Closes the body in Memo2, shows the sending page and mails it over the first account, then,
// when that fails in any way, over the second. After a delivery the error log, when the body
// carried it and it is unchanged, and then its empty folder are deleted and the thank-you box is
// shown; otherwise the failure box, and the log stays.
void SendMail(QWidget& errorWindow, MailKind kind);

// Where the rows of system information come from (date row, rows 3 to 7, running time, trailer).
using MailSystemRowsSource = std::function<MailSystemRows()>;
// An empty function returns to the program's own rows.
void SetMailSystemRowsSource(MailSystemRowsSource source);

}  // namespace kestrune
