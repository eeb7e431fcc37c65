#pragma once
// Ending the run (Application.Terminate): any part of the program may ask for it.

namespace kestrune {

// Ends every running event loop, nested modal loops included, without closing the host window.
// A request made before the main loop runs is kept, and the start ends before the loop.
// The first request's status is the program's exit status.
void TerminateApplication(int exitStatus = 0);
bool TerminateRequested();
int TerminationStatus();
// A new start in the same process (tests) begins with no request.
void ResetTermination();

// Lets the Qt-free folder tree walk (core/FolderTree) run the event loop before each sub-folder
// it deletes. Call once the application object exists.
void InstallFolderTreeEventHook();

}  // namespace kestrune
