#include "host/ProgramSettings.h"

#include <cstdio>
#include <set>
#include <vector>

#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "foundation/core/PathNames.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "host/CallerValues.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

// The calling programs' settings file keeps its name and title whatever the product comes to be
// called: the calling programs write it under this name.
constexpr const char* kSettingsName = "Kestrune";
constexpr const char* kSettingsVersion = "01.00";
constexpr const char* kSettingsTitle = "Kestrune Settings File";
constexpr const char* kSection = "Settings";

// The file is closed however the reading or writing ends.
struct CloseAtEnd {
    WindowHandle owner;
    ~CloseAtEnd() { CloseSettingsFile(owner); }
};

std::string ReadText(const char* key) {
    bool optionalKey = false;
    return ReadSettingString(kSection, key, "", optionalKey);
}

// Stored files that were there but could not be read in this run (native paths): their values
// were never seen, so the write at exit leaves them as they are.
std::set<std::string>& UnreadableFiles() {
    static std::set<std::string> files;
    return files;
}

// The files whose values a take-over from Application Data loaded; removed once the start is
// accepted.
std::vector<std::string>& TakenOverFiles() {
    static std::vector<std::string> files;
    return files;
}

std::string CurrentSettingsFile() { return GetProgramPath(2, "") + kSettingsName + ".ini"; }

// Opens "Kestrune" for reading; a file that is there but cannot be read is remembered.
void OpenForReading() {
    if (!OpenSettingsFile(kSettingsName, kSettingsVersion) && platform::FileAgeReadable(SettingsFilePath))
        UnreadableFiles().insert(platform::NativePath(SettingsFilePath));
}

bool ProgramFolderHoldsSettings() {
    return platform::FileAgeReadable(platform::ExecutableFolder() + "/Settings/Kestrune.ini");
}

// The entries of the product folder under Application Data, in name order, so that "the last
// one enumerated" is the same entry in every run. A name that could not be a program's folder
// name (a "\" would make it a path of its own) is passed over.
std::vector<std::string> ProductFolderEntries(const std::string& root) {
    std::vector<std::string> entries;
    for (std::string& name : platform::ListDirectory(root))
        if (IsSafePathName(name)) entries.push_back(std::move(name));
    return entries;
}

// Loads the values of every folder under <AppData>/KV.Kestrune whose Kestrune.ini this
// executable wrote, in name order (the last one loaded wins). A take-over notes each such
// Kestrune.ini for removal once the start is accepted (a refused start keeps it); the other
// files of that folder are left for the settings location set-up to move beside the program (a
// deletion of the folder would lose them). Answers whether any folder matched.
bool LoadFromFoldersOfThisExecutable(WindowHandle owner, bool takeOver) {
    const std::string executable = platform::ExecutablePath();
    ProgramSettingsFolder = kProductName;
    const std::string root = GetProgramPath(2, "");
    bool found = false;
    for (const std::string& entry : ProductFolderEntries(root)) {
        Exe.clear();
        ProgramSettingsFolder = std::string(kProductName) + "\\" + entry;
        ReadSettingsExe(owner);
        if (Exe != executable) continue;
        found = true;
        LoadProgramSettings(owner);
        if (takeOver) TakenOverFiles().push_back(root + entry + "/Kestrune.ini");
    }
    return found;
}

}  // namespace

void ReadSettingsExe(WindowHandle owner) {
    Guard("01.001-01", [&] {
        CloseAtEnd close{owner};
        OpenForReading();
        Exe = ReadText("Exe");
    });
}

void LoadProgramSettings(WindowHandle owner) {
    Guard("01.002-01", [&] {
        CloseAtEnd close{owner};
        OpenForReading();
        ProName = ReadText("ProName");
        ProVer = ReadText("ProVer");
        IconPatch = ReadText("IconPatch");
        URLtoFile = ReadText("URLtoFile");
        URLtoMSG = ReadText("URLtoMSG");
        P5 = ReadText("CSIconPatch");
        Exe = ReadText("Exe");
    });
}

void SaveProgramSettings() {
    Guard("01.003-01", [&] {
        const std::string stored = platform::NativePath(CurrentSettingsFile());
        if (UnreadableFiles().count(stored)) {
            std::fprintf(stderr, "%s: \"%s\" could not be read; it is kept as it is.\n", kProductName,
                         Printable(stored).c_str());
            return;
        }
        CloseAtEnd close{nullptr};
        CreateSettingsFile(kSettingsName, kSettingsVersion, kSettingsTitle);
        WriteSettingString(kSection, "ProName", ProName);
        WriteSettingString(kSection, "ProVer", ProVer);
        WriteSettingString(kSection, "IconPatch", IconPatch);
        WriteSettingString(kSection, "URLtoFile", URLtoFile);
        WriteSettingString(kSection, "URLtoMSG", URLtoMSG);
        WriteSettingString(kSection, "CSIconPatch", P5);
        WriteSettingString(kSection, "Exe", platform::ExecutablePath());
    });
}

void FindStoredProgramSettings(WindowHandle owner) {
    Guard("01.004-01", [&] {
        if (MustSetFilesInAppData || UseAppData) {
            if (!LoadFromFoldersOfThisExecutable(owner, false)) {
                ProgramSettingsFolder = kProductName;
                if (ProgramFolderHoldsSettings()) {
                    MustSetFilesInAppData = false;
                    UseAppData = false;
                    LoadProgramSettings(owner);
                    MustSetFilesInAppData = true;
                }
            }
            return;
        }
        if (ProgramFolderHoldsSettings()) {
            LoadProgramSettings(owner);
            return;
        }
        // Take the values over from Application Data; they are written beside the program at exit.
        MustSetFilesInAppData = true;
        LoadFromFoldersOfThisExecutable(owner, true);
        ProgramSettingsFolder = kProductName;
        MustSetFilesInAppData = false;
    });
}

void RemoveTakenOverSettings() {
    for (const std::string& file : TakenOverFiles()) platform::RemoveFile(file);
    TakenOverFiles().clear();
}

void ResetProgramSettingsState() {
    UnreadableFiles().clear();
    TakenOverFiles().clear();
}

}  // namespace kestrune
