#include "checks/UMessageForm.h"

namespace kestrune {

// Placeholders until the developer messages land.
void TUFormUMessage::CheckNewFile() {}
void TUFormUMessage::LaunchCheckUAC() {}

}  // namespace kestrune
