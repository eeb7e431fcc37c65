#pragma once
// Pellmark, the check agent: downloads a version description or a list and answers with files.
//
// Command line: product folder, file prefix, base URL, mode word ("-" for the version mode, any
// other text for the list mode), location word ("AppData" for the Application Data mode).
// Exit status: 0 when the check ran to its end, 1 when it failed (the ready flag, when it could
// be left, still tells KV.Kestrune that it has ended), 2 when the parameters or folders were
// refused and no file was touched.

#include <string>

namespace pellmark {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitRefused = 2;

struct Parameters {
    std::string productFolder;  // P1
    std::string filePrefix;     // P2
    std::string baseUrl;        // P3
    std::string modeWord;       // P4
    std::string locationWord;   // P5
};

Parameters ReadParameters(int argc, char** argv);

// The result folder R for these parameters and this program file: Application Data + "\" + P1
// in the AppData mode, the program file's folder + "\..\Settings\" otherwise. Empty when it
// cannot be worked out safely: an Application Data folder that is not absolute, or a program
// path that is not known (R would become the root's "Settings").
std::string ResultFolder(const Parameters& parameters, const std::string& executablePath);

// The whole check for the parameters, run as if from that program file; answers the exit status.
int RunAgent(const Parameters& parameters, const std::string& executablePath);

// The whole agent; answers the exit status.
int PellmarkMain(int argc, char** argv);

}  // namespace pellmark
