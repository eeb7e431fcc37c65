#pragma once
// The error window: the error page after a failure, the report page (also for a calling program),
// the review page and the page shown while a mail is sent. Only the code changes pages.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "errors/ReportMail.h"
#include "foundation/TextFit.h"

namespace Ui {
class TUFormError;
}

namespace kestrune {

class TUFormError : public QDialog, public MailWindow {
    Q_OBJECT

public:
    explicit TUFormError(QWidget* parent = nullptr);
    ~TUFormError() override;

    // The layouts by which the error processor opens the window.
    void ShowFailureLayout(const std::string& fullCode);
    void ShowReportLayout();  // for a calling program
    void ShowReviewLayout();

    // Handlers of the window's events; each swallows its own failure.
    void FormCreate();
    void FormClose();
    bool PageControl1Changing();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Memo4Change();

    // What the mail needs of the window.
    MailEntries Entries(MailKind kind) const override;
    void ShowSendingPage() override;
    void ShowMailResult(MailKind kind, bool sent, const std::vector<MailNote>& details) override;

    // The client width: the layout's 528, or more when a text in the font actually used needs it.
    int ClientWidth() const { return clientWidth_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Client size 528 x clientHeight, help frame at (6, helpTop), centred on the screen if asked;
    // more where the texts of the page shown need it in the font actually used.
    void SetLayout(QWidget* page, int clientHeight, int helpTop, bool centre);
    void ShowPage(QWidget* page, bool asPermittedChange);
    void SetCallerCaption();
    // After a send that delivered nothing: the page of the entries again, its Send usable.
    void ShowReportAgain();
    void ShowReviewAgain();
    // The report and review pages' sizes, centred on the screen when first shown.
    void LayOutReportPage(bool centre);
    void LayOutReviewPage(bool centre);

    std::unique_ptr<Ui::TUFormError> ui_;
    // Buttons and labels grow to their texts; the layout's sizes are the least sizes.
    std::unique_ptr<TextFit> fit_;
    int clientWidth_;
    bool sending_ = false;            // a Send click is running; another one waits for its end
    bool reportUndelivered_ = false;  // a caller's report failed: Esc may close the window
};

// What the window's Send buttons call to mail the report and the review: the mail unless a test
// puts something else in its place. Answers true when the mail was delivered; otherwise the
// window keeps the user's entries where they can be seen and sent again. An empty function
// returns to the mail.
using WindowMailer = std::function<bool(TUFormError& errorWindow)>;
void SetWindowMailersForTesting(WindowMailer report, WindowMailer review);
bool MailReportFromWindow(TUFormError& errorWindow);
bool MailReviewFromWindow(TUFormError& errorWindow);

}  // namespace kestrune
