#pragma once
// The developer messages' window: the current page in the command line's language, shown
// without loading anything it names, with its two buttons; and the check's entry that opens it.
// The pages' files, their take-over and the agent's start are checks/UMessages.

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "checks/UMessages.h"
#include "foundation/WindowHandle.h"

namespace Ui {
class TUFormUMessage;
}

namespace kestrune {

class SafePageDocument;

class TUFormUMessage : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate. The window frees itself when it closes.
    explicit TUFormUMessage(QWidget* parent = nullptr);
    ~TUFormUMessage() override;

    void FormCreate();
    void Button1Click();  // don't remind again
    void Button2Click();  // remind later
    // A link clicked in the page goes to the desktop's browser when it is a web or mail address
    // (OpenPageLink); the pane keeps the message.
    void NTCWebBrowser1BeforeNavigate2(const QUrl& url);

protected:
    // Clears the showing mark once the page pane has painted.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearShowingMark();

    std::unique_ptr<Ui::TUFormUMessage> ui_;
    SafePageDocument* page_ = nullptr;
    bool showingMark_ = false;  // this window wrote the page's showing mark and has not cleared it
};

// The message window while it is shown.
extern QPointer<TUFormUMessage> UFormUMessage;
// True while the window loads its page; link clicks reach the browser only after it.
extern bool MessagePageLoading;

namespace messages {
// Takes over the pages an earlier run fetched and shows the window when there is a page to
// show; the host window comes back to the front after it. Runs once per start, at the first
// paint, when the computer is online. The check's other entry, messages::LaunchCheckUAC, needs
// no window (checks/UMessages.h).
void CheckNewFile(WindowHandle hostWindow);
}  // namespace messages

}  // namespace kestrune
