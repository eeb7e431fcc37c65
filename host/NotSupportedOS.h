#pragma once
// The window that tells the user the system is older than the program needs.

#include <QDialog>

class QPlainTextEdit;

namespace kestrune {

class TUFormNotSupportedOS : public QDialog {
    Q_OBJECT
public:
    explicit TUFormNotSupportedOS(QWidget* parent = nullptr);

    QPlainTextEdit* Memo2 = nullptr;  // the program's version line
    QPlainTextEdit* Memo3 = nullptr;  // the minimum system, in Russian and in English
};

}  // namespace kestrune
