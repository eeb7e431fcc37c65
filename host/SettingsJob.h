#pragma once
// The settings window job of the host's timer: the calling program's settings window, modally,
// with BusyFlag set while it is open.

namespace kestrune {

void RunSettingsWindowJob();

}  // namespace kestrune
