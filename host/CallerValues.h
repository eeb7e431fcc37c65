#pragma once
// The calling program's values: the seven parameters of the command line, the values its
// settings file "Kestrune.ini" stores, their merge and the refusal of a start that cannot use
// them. No Qt: the host window, the settings file and the program block all work with them.

#include <string>
#include <vector>

namespace kestrune {

// Command-line values, held for the whole run (P4 lives in CommandLineLanguage).
extern std::string P1, P2, P3, P5, P6, P7;
// Values stored in and read from "Kestrune.ini".
extern std::string ProName, ProVer, IconPatch, URLtoFile, URLtoMSG, Exe;

// Clears every parameter and stored value: the end of every start, and the tests' reset.
void ClearCallerValues();

// The number of P1 as the run time's string-to-integer conversion takes it; not a number is 0.
long ModeNumber(const std::string& mode);

// The merge of the command line with the stored values: a given parameter wins and is stored.
// P6 and P7 take part only in the modes that use them as addresses (0 and 1, and 0). A mode
// given at all keeps the start-up's own windows away (StartMessagesAllowed).
void MergeParameters();

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
