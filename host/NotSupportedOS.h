#pragma once
// The window that tells the user, in Russian and English at once, that the system is older than
// the program needs. Never translated; its Ok ends the program.

#include <QDialog>
#include <memory>

namespace Ui {
class TUFormNotSupportedOS;
}

class QLabel;
class QPlainTextEdit;

namespace kestrune {

class TextFit;

// The older site that the window links to.
inline constexpr const char* kOlderSiteHost = "kestrune.example.net";

class TUFormNotSupportedOS : public QDialog {
    Q_OBJECT
public:
    explicit TUFormNotSupportedOS(QWidget* parent = nullptr);
    ~TUFormNotSupportedOS() override;

    QPlainTextEdit* Memo2 = nullptr;  // the program's version line
    QPlainTextEdit* Memo3 = nullptr;  // the minimum system, in Russian and in English

    void ButtonOkClick();
    // Every other way out (Esc, the window's close) ends the program as Ok does: the start-up
    // stops at this window, so nothing else would ever end the run.
    void reject() override;
    void NTCLabelHTTPClick();
    void NTCLabelEMailClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A change of font fits the texts again.
    void changeEvent(QEvent* event) override;

private:
    void FitTexts();
    std::unique_ptr<Ui::TUFormNotSupportedOS> ui_;
    std::unique_ptr<TextFit> fit_;
};

}  // namespace kestrune
