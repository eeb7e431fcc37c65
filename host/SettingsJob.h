#pragma once
// The settings window job of the host's timer: the calling program's settings window, modally.

namespace kestrune {

void RunSettingsWindowJob();

}  // namespace kestrune
