#include "host/OwnerDrawMenus.h"

#include "foundation/core/Guard.h"

namespace kestrune {

TRyMenu* MenuPainter = nullptr;

// Placeholder until the owner-drawn menus land: menus keep Qt's own drawing.
void ApplyOwnerDraw(TRyMenu*, QMenu*, QAction*) {
    Guard("URy.006-01", [&] {});
}

}  // namespace kestrune
