#pragma once
// The program block of KV.Kestrune: what main() runs.

#include <string>
#include <vector>

namespace kestrune {

// The whole program: copies the command line before Qt sees it, creates the application and
// runs the program block. Answers the exit status.
int KestruneMain(int argc, char** argv);

// One start of the program in a running QApplication: the host window, the message loop and
// the finalization. params[0] is the program path, params[1..7] the positional parameters.
// Tests call this directly to run a whole start in-process.
int RunProgramBlock(const std::vector<std::string>& params);

// A P2 or P3 that may become part of a file or folder name: no "/", "\", "..", control character
// or NUL, and not made of dots and blanks alone. An empty text is acceptable (no program named).
bool IsSafeNameParameter(const std::string& text);

}  // namespace kestrune
