#include "errors/ErrorState.h"

#include <utility>

#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool ErrorReportingOff = false;
std::string ErrorDump;
std::string ExternalErrorLogPath;
std::uint32_t StartTickCount = 0;
bool ErrorWindowOpen = false;
bool PageChangeAllowed = false;
bool ReporterMode = false;

const ProgramValues errorStateValues([] {
    ErrorReportingOff = false;
    ErrorDump.clear();
    ExternalErrorLogPath.clear();
    StartTickCount = 0;
    ErrorWindowOpen = false;
    PageChangeAllowed = false;
    ReporterMode = false;
});

namespace {

ErrorWindowHooks& Hooks() {
    static ErrorWindowHooks hooks;
    return hooks;
}

}  // namespace

void SetErrorWindowHooks(ErrorWindowHooks hooks) { Hooks() = std::move(hooks); }
const ErrorWindowHooks& CurrentErrorWindowHooks() { return Hooks(); }

}  // namespace kestrune
