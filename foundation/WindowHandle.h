#pragma once
// The owner window that boxes and modal windows take, and the two window placement rules they
// share.

class QWidget;

namespace kestrune {

using WindowHandle = QWidget*;  // the owner window of a box or modal window; nullptr for none

// Raises and activates the window (a window that takes no focus is only raised); nothing for none.
void BringToFront(WindowHandle window);

// A window opened over a modal window that stays on top (the settings window) stays on top too,
// or it could open behind the window it blocks. Call before the window is shown.
void KeepAboveOpenModalWindow(QWidget* window);

}  // namespace kestrune
