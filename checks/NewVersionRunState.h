#pragma once
// The new-version check's run state that other checks read: whether its window is open. The
// window sets it; the add-on check reads it here and never includes the window's header.

namespace kestrune {

extern bool NewVersionWindowOpen;  // the new-version window exists

}  // namespace kestrune
