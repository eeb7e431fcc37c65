#include "errors/ErrorProcessor.h"

#include <cstdio>

#include "foundation/core/Guard.h"

namespace kestrune {

bool ErrorReportingOff = false;
std::string ErrorDump;
std::string ExternalErrorLogPath;
std::uint32_t StartTickCount = 0;
bool ErrorWindowOpen = false;
bool PageChangeAllowed = false;
bool ReporterMode = false;

// Placeholder until the error log and window land: codes go to stderr.
void InstallErrorProcessor() {
    SetErrorHandler([](const std::string& code) {
        if (ErrorReportingOff) return;
        std::fprintf(stderr, "KV.Kestrune: failure at %s\n", code.c_str());
    });
}

void DeleteErrorTempFiles() {}

}  // namespace kestrune
