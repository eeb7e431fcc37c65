#include "errors/ReportMail.h"

namespace kestrune {

// Placeholders until the mail lands.
void SendReportFromWindow(QWidget&) {}
void SendReviewFromWindow(QWidget&) {}

}  // namespace kestrune
