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

// A value of the calling program that a start is about to use, and how a refusal names it
// ("program name (parameter 2)", "stored address (URLtoFile)").
struct CallerValue {
    std::string label;
    std::string value;
};

// Why a start cannot use the calling program's values, as the line that refuses it; empty when
// it can. The name and the version become folder and file names: each must be a plain name
// (empty means not given), and the folders and files made from them must fit the system's
// limits. Every other value is a path or an address, never a line: it may hold no control
// character. Values are quoted with their control bytes escaped.
std::string StartRefusal(const CallerValue& name, const CallerValue& version, const std::vector<CallerValue>& texts);

}  // namespace kestrune
