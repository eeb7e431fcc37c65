#pragma once
// Checks that every text of a window is whole in the font actually used: buttons, labels, combo
// boxes and read-only memos show all of their text in width and in height, lie inside their containers and
// the window, and no text runs into the component beside or below it.

#include <vector>

class QWidget;

namespace testsupport {

// Adds a test failure, naming the component, for every text that is cut or touches another.
// Components under one of skip (a frame that lays itself out) are left out; only what is visible
// in the window counts.
void ExpectTextsFit(QWidget& window, const std::vector<const QWidget*>& skip = {});

}  // namespace testsupport
