#pragma once
// Modal windows: BusyFlag, the scope that holds it, and the one way to show a window modally.

#include <functional>

#include "foundation/WindowHandle.h"

class QDialog;

namespace kestrune {

extern bool BusyFlag;  // a modal window or job is running; the host's job timer waits while set

// Holds BusyFlag for its lifetime: sets it when it was clear and clears it again on the way out,
// however the scope is left. A flag that someone else had set is left to them.
class BusyScope {
public:
    BusyScope() : setHere_(!BusyFlag) { BusyFlag = true; }
    ~BusyScope() {
        if (setHere_) BusyFlag = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool setHere_;
};

// The language processor installs this: it captures a new window's design texts and translates
// it (mode 0). Without it, ShowFormModal shows windows untranslated.
using FormTranslationHook = std::function<void(QWidget* form)>;
FormTranslationHook SetFormTranslationHook(FormTranslationHook hook);

// A window manager may minimise a modal window anyway (not every one honours a title bar without
// boxes); minimised, it has no task-bar entry and blocks every other window, so that the program
// looks hung. Such a window comes back at once, raised and active. A window closed meanwhile
// stays closed.
void ComeBackWhenMinimised(QWidget* window);
// Shows normally again, raised and active, every visible window under that rule that is
// minimised now, whether or not its minimise was seen when it happened.
void ShowMinimisedWindowsAgain();
// For the end of a stretch in which the program's thread did not answer the window system (a
// mail being sent holds it): the window system's news of that time is taken in (user input
// excluded), and every window under the rule that was minimised meanwhile comes back.
void ComeBackAfterUnansweredStretch();
// The one modal loop of a dialog: every modal window of the program and every box runs here,
// so that a minimised one always comes back, and the windows below it are shown again first
// when they are minimised. Answers the dialog's result.
int ExecModal(QDialog& dialog);

// Creates a window with createForm, translates it when asked, shows it modally and frees it when
// it is closed. BusyFlag is set for the time when it was clear, and cleared again however the
// window ends (a failure included). The return window is brought to the front afterwards.
void ShowFormModal(bool translate, WindowHandle returnWindow, const std::function<QWidget*()>& createForm);
template <class Form>
void ShowFormModal(bool translate, WindowHandle returnWindow) {
    ShowFormModal(translate, returnWindow, [] { return static_cast<QWidget*>(new Form()); });
}

}  // namespace kestrune
