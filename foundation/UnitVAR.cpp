#include "foundation/UnitVAR.h"

#include "foundation/UniversalProcedures.h"
#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool StartMessagesAllowed = false;
bool ErrorOccurred = false;
bool SuppressCheckWindows = false;
std::string IconPath;
std::string FilePrefix;
std::string CallingProgramVersion;
std::string CallingProgramName;
std::string VersionText;
std::string AuthorAddress;
std::string CheckUrl;
std::string ProductName;
std::string VersionTag;

const ProgramValues runValues([] {
    StartMessagesAllowed = false;
    ErrorOccurred = false;
    SuppressCheckWindows = false;
    for (std::string* value : {&IconPath, &FilePrefix, &CallingProgramVersion, &CallingProgramName, &VersionText,
                               &AuthorAddress, &CheckUrl, &ProductName, &VersionTag})
        value->clear();
});

const char* const kDeveloperAddress = "kestrune@example.org";

void InitProgramVariables() {
    StartMessagesAllowed = true;
    OtherInstanceCount = 0;
    FilePrefix.clear();
    CallingProgramVersion.clear();
    CheckUrl.clear();
    SuppressCheckWindows = false;
    ErrorOccurred = false;
    IconPath.clear();
    ProductName = kProductName;
    VersionTag = kProgramVersionTag;
}

}  // namespace kestrune
