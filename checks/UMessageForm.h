#pragma once
// Developer messages: pages the calling program's maker publishes beside the message address
// (P7), fetched by the check agent in list mode under the prefixes "Messages" (Russian) and
// "MessagesEng" (English) and shown at a later start in a modal window.
//
// A page goes through three states in the settings folder: fetched (prefix + ".ini", left by the
// agent), current (prefix + "_UAC.html", shown at every start) and silenced (the empty marker
// "Messages_CheckTrue" beside the current pages). A fetched page that is empty, garbage (NUL or
// other control bytes, UTF-16 without its byte-order mark) or a body larger than kMessagePageLimit
// is dropped: it is neither shown nor taken over. A current page that cannot be shown is deleted,
// so that no later start meets it again. A new page clears the marker, so the marker only ever
// silences a page the user has seen.

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "foundation/WindowHandle.h"

namespace Ui {
class TUFormUMessage;
}

namespace kestrune {

class SafePageDocument;

constexpr std::size_t kMessagePageLimit = 1024 * 1024;

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

    // Takes over the pages an earlier run fetched and shows the window when there is a page to
    // show; the host window comes back to the front after it. Runs once per start, at the first
    // paint, when the computer is online.
    static void CheckNewFile(WindowHandle hostWindow);
    // Starts the agent for both pages when the message check is due.
    static void LaunchCheckUAC();

private:
    std::unique_ptr<Ui::TUFormUMessage> ui_;
    SafePageDocument* page_ = nullptr;
};

// The message window while it is shown.
extern QPointer<TUFormUMessage> UFormUMessage;
// True while the window loads its page; link clicks reach the browser only after it.
extern bool MessagePageLoading;

// The page file a window in this language shows: the English one for "English", the Russian one
// otherwise.
std::string CurrentMessagePagePath(const std::string& language);

}  // namespace kestrune
