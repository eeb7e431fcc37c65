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

}  // namespace kestrune
