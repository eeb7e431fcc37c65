#pragma once
// The report and review mail of the error window. The window's Send buttons and its SendMail
// method call these; they reach the window's components by their names.

class QWidget;

namespace kestrune {

// Button5Click: the report body into the window's hidden memo Memo2, then SendMail.
void SendReportFromWindow(QWidget& errorWindow);
// Button6Click: the review body into Memo2, then SendMail.
void SendReviewFromWindow(QWidget& errorWindow);

}  // namespace kestrune
