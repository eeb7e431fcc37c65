#pragma once
// The single-instance check: another running copy of this program is noted or announced.

#include "foundation/UniversalProcedures.h"

namespace kestrune {

// True when no other copy was found. With Notify the other copy is told; a copy of another
// version shows a warning box. Never stops the start by itself.
bool CheckSingleInstance(bool notify, WindowHandle ownerHandle, QWidget* ownerForm);

}  // namespace kestrune
