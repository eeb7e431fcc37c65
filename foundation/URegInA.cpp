#include "foundation/URegInA.h"

#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"

namespace kestrune {

bool MustSetFilesInAppData = false;
bool UseAppData = false;
std::string SettingsFilePath;
std::string ProgramSettingsFolder;

// Placeholder bodies until the settings location and files land.
std::string GetProgramPath(int kind, const std::string& name) {
    const bool appData = MustSetFilesInAppData || UseAppData;
    const std::string exeDir = platform::ExecutableFolder();
    switch (kind) {
        case 0: return GetSpecialFolder(1) + "\\" + name;
        case 1: return appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder + "\\" + name : exeDir + "\\" + name;
        case 2: return appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder + "\\" : exeDir + "\\Settings\\";
        case 3: return appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder : exeDir + "\\Resource";
        case 4: return appData ? "AppData" : "";
        default: return {};
    }
}

void InitSettingsLocation(bool, const std::string&, WindowHandle) {
    MustSetFilesInAppData = false;
    UseAppData = false;
}

void CreateSettingsFile(const std::string&, const std::string&, const std::string&) {}
bool OpenSettingsFile(const std::string&, const std::string&) { return false; }
void WriteSettingInteger(const std::string&, const std::string&, int) {}
void WriteSettingString(const std::string&, const std::string&, const std::string&) {}
void WriteSettingBool(const std::string&, const std::string&, bool) {}
int ReadSettingInteger(const std::string&, const std::string&, int defaultValue, int, int) { return defaultValue; }
std::string ReadSettingString(const std::string&, const std::string&, const std::string& defaultValue, bool& optionalKey) {
    optionalKey = false;
    return defaultValue;
}
bool ReadSettingBool(const std::string&, const std::string&, bool defaultValue) { return defaultValue; }
void CloseSettingsFile(WindowHandle) {}
std::string ListSettingsForReport() { return {}; }

}  // namespace kestrune
