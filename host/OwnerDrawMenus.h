#pragma once
// The one shared owner-draw painter of the program's menus.

class QAction;
class QMenu;

namespace kestrune {

class TRyMenu;
// Lives from program start to program end.
extern TRyMenu* MenuPainter;

// Hooks the painter into a whole menu or into one item tree; either may be absent.
void ApplyOwnerDraw(TRyMenu* painter, QMenu* menu, QAction* item);

}  // namespace kestrune
