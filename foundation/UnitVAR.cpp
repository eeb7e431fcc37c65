#include "foundation/UnitVAR.h"

#include "foundation/UniversalProcedures.h"

namespace kestrune {

bool StartMessagesAllowed = false;
bool ErrorOccurred = false;
bool SuppressCheckWindows = false;
std::string IconPath;
std::string FilePrefix;
std::string CallingProgramName;
std::string VersionText;
std::string AuthorAddress;
std::string CheckUrl;
std::string ProductName;
std::string VersionTag;

const char* const kDeveloperAddress = "kestrune@example.org";
const char* const kProgramVersionTag = "1.0.3.2k.lang";

void InitProgramVariables() {
    StartMessagesAllowed = true;
    OtherInstanceCount = 0;
    FilePrefix.clear();
    CheckUrl.clear();
    SuppressCheckWindows = false;
    ErrorOccurred = false;
    IconPath.clear();
    ProductName = "KV.Kestrune";
    VersionTag = kProgramVersionTag;
}

}  // namespace kestrune
