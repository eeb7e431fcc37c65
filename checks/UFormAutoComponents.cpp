#include "checks/UFormAutoComponents.h"

#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool AddonHelperPresent = false;
bool AddonCheckEnabled = false;
bool AddonCheckOnlineOnly = false;

const ProgramValues addonValues([] {
    AddonHelperPresent = false;
    AddonCheckEnabled = false;
    AddonCheckOnlineOnly = false;
});

// Placeholders until the add-on list check lands: an empty window, and no list ever arrives.
TUFormAutoComponents::TUFormAutoComponents(QWidget* parent) : QDialog(parent) {
    setObjectName("UFormAutoComponents");
    setAttribute(Qt::WA_DeleteOnClose);
}

bool TUFormAutoComponents::CheckNewFile() { return false; }
void TUFormAutoComponents::CheckEndCheckedWF() {}
void TUFormAutoComponents::LaunchCheckUAC(bool) {}
void TUFormAutoComponents::LoadParametrsUAC(WindowHandle) {}

}  // namespace kestrune
