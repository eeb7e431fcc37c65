#include "foundation/URegInA.h"

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

#include "foundation/core/Guard.h"
#include "foundation/core/IniFile.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Clock.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace kestrune {

std::string SettingsFilePath;
std::string ProgramSettingsFolder;

std::string SettingsFileName;
bool SettingsFileMissing = false;
int SettingsReadCount = 0;
int SettingsCorrectionCount = 0;
bool SettingsFileSeen = false;

std::vector<std::string> SeenSettingsFiles;
std::vector<std::string> RecordedSettingKeys;
std::vector<std::string> RecordedSettingValues;

namespace {

const char* const kCounterFiles[] = {"ECounter.ini", "LCounter.ini", "TCounter.ini"};

// The current settings file: its lines in memory and the path they are written to.
struct OpenSettings {
    IniFile ini;
    std::string path;
    bool dirty = false;
};
std::optional<OpenSettings> Current;

// What a start held back until it had judged its values (HoldSettingsWrites).
struct HeldWrite {
    std::string path;
    IniFile ini;
    std::optional<std::pair<int, int>> repaired;  // the counts of the repaired message
    WindowHandle owner = nullptr;
};
bool HoldingWrites = false;
std::vector<HeldWrite> HeldWrites;

const ProgramValues settingsValues([] {
    SettingsFilePath.clear();
    ProgramSettingsFolder.clear();
    SettingsFileName.clear();
    SettingsFileMissing = false;
    SettingsReadCount = 0;
    SettingsCorrectionCount = 0;
    SettingsFileSeen = false;
    SeenSettingsFiles.clear();
    RecordedSettingKeys.clear();
    RecordedSettingValues.clear();
    Current.reset();
    HoldingWrites = false;
    HeldWrites.clear();
});

// A file that already holds exactly what would be written is left as it is: most runs store the
// values they found (and today's date), and each write waits for the disk.
bool HoldsAlready(const std::string& path, const std::string& bytes) {
    bool tooLarge = false;
    const std::optional<std::string> stored = platform::ReadRegularFileLimited(path, bytes.size(), &tooLarge);
    return stored && !tooLarge && *stored == bytes;
}

void Save(OpenSettings& file) {
    if (!file.dirty) return;
    if (HoldingWrites) {
        HeldWrites.push_back({file.path, file.ini, std::nullopt, nullptr});
        file.dirty = false;
        return;
    }
    const std::string bytes = file.ini.Serialize();
    if (!HoldsAlready(file.path, bytes)) {
        const platform::IoResult saved = platform::WriteFileAtomic(file.path, bytes);
        if (!saved) throw std::runtime_error("the settings file " + file.path + " was not written: " + saved.message);
    }
    file.dirty = false;
}

// Writes the current file, if it has changes, and lets it go; a failed write is still reported.
void ReleaseCurrent() {
    if (!Current) return;
    OpenSettings file = std::move(*Current);
    Current.reset();
    Save(file);
}

OpenSettings& RequireCurrent() {
    if (!Current) throw std::logic_error("no settings file is open");
    return *Current;
}

void Put(OpenSettings& file, const std::string& section, const std::string& key, const std::string& value) {
    if (!file.ini.Write(section, key, value))
        throw std::invalid_argument("the settings value [" + section + "] " + key + " cannot be stored in a line");
    file.dirty = true;
}

// An integer as the settings files hold it: decimal with an optional sign, or hexadecimal after
// "0x" (up to eight digits, taken as the 32-bit pattern); nullopt for anything else.
std::optional<int> ParseInteger(const std::string& text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = std::string_view(text).substr(2);
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return static_cast<int>(value);
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last) return std::nullopt;
    return value;
}

std::string SettingsFolder() { return GetProgramPath(2, ""); }

// "KV.Kestrune\Prog" names a program's folder; "KV.Kestrune" and "KV.Kestrune\" name the
// product folder that holds the folders of every program.
bool NamesProgramFolder(std::string folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder.find_first_of("\\/") != std::string::npos;
}

// The folders that belong to this program alone: the settings, resource, error log and
// language-dump folders beside the program, the product folder under Application Data with every
// program's folder in it, and the folders of the registry store. Neither the program folder
// itself nor Application Data is among them: other programs keep files there.
std::vector<std::string> ProgramOwnFolders() {
    const std::string exeDir = platform::ExecutableFolder();
    std::vector<std::string> folders;
    for (const char* folder : {"/Settings", "/Resource", "/ErrorLog", "/DefLang"}) folders.push_back(exeDir + folder);
    folders.push_back(GetSpecialFolder(0) + "/" + kProductName);
    for (const platform::RegistryRoot root :
         {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine}) {
        const std::string store = platform::NativePath(platform::RegistryStoreFile(root));
        const std::size_t slash = store.rfind('/');
        if (slash != std::string::npos && slash > 0) folders.push_back(store.substr(0, slash));
    }
    return folders;
}

}  // namespace

// ---- Settings location ----

std::string GetProgramPath(int kind, const std::string& name) {
    std::string path;
    Guard("URG.001-01", [&] {
        const bool appData = MustSetFilesInAppData || UseAppData;
        switch (kind) {
            case 0: path = GetSpecialFolder(1) + "\\" + name; break;
            case 1:
                path = appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder + "\\" + name
                               : platform::ExecutableFolder() + "\\" + name;
                break;
            case 2:
                path = appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder + "\\"
                               : platform::ExecutableFolder() + "\\Settings\\";
                break;
            case 3:
                path = appData ? GetSpecialFolder(0) + "\\" + ProgramSettingsFolder
                               : platform::ExecutableFolder() + "\\Resource";
                break;
            case 4: path = appData ? "AppData" : ""; break;
            default: break;
        }
    });
    return path;
}

bool IsProgramFolderReadOnly() {
    bool readOnly = false;
    Guard("URG.003-05", [&] {
        const std::string exeDir = platform::ExecutableFolder();
        platform::CreateDirectories(exeDir + "\\Resource\\");
        SettingsFilePath = exeDir + "/Resource/test.ini";
        readOnly = !platform::ProbeFileCreation(SettingsFilePath);
    });
    return readOnly;
}

void InitSettingsLocation(bool keepFilesInPlace, const std::string& name, WindowHandle) {
    Guard("URG.003-02", [&] {
        // Only these folders lose what killed writes left, here and at a run's first write.
        [[maybe_unused]] const std::vector<std::string> replaced = platform::SetOwnFolders(ProgramOwnFolders());
        SeenSettingsFiles.clear();
        RecordedSettingKeys.clear();
        RecordedSettingValues.clear();

        const bool readOnly = IsProgramFolderReadOnly();
        // A program folder that cannot be written leaves nothing but Application Data.
        MustSetFilesInAppData = readOnly;
        UseAppData = false;
        DetectSettingsInAppData(name);
        if (keepFilesInPlace) return;

        const std::string exeDir = platform::ExecutableFolder();
        const std::string programSettings = exeDir + "/Settings";
        const std::string appDataFolder = GetSpecialFolder(0) + "/" + ProgramSettingsFolder;

        if (MustSetFilesInAppData) {
            // Copies only: the originals stay where the system installed them.
            for (const char* counter : kCounterFiles) {
                const std::string source = exeDir + "/Resource/" + counter;
                if (platform::FileAgeReadable(source)) CopyFileTo(source, appDataFolder, counter, true);
            }
            if (platform::IsDirectory(programSettings)) CopyDirectory(programSettings, appDataFolder, true);
            return;
        }

        if (UseAppData) {
            // Into Application Data. A source goes only once its copy is complete.
            for (const char* counter : kCounterFiles) {
                const std::string source = exeDir + "/Resource/" + counter;
                if (platform::FileAgeReadable(source) && CopyFileTo(source, appDataFolder, counter, false))
                    platform::RemoveFile(source);
            }
            if (platform::IsDirectory(programSettings) && CopyDirectory(programSettings, appDataFolder, false)) {
                DeleteDirectory(programSettings);
                platform::CreateDirectories(programSettings);
            }
            return;
        }

        // Back beside the program.
        for (const char* counter : kCounterFiles) {
            const std::string source = appDataFolder + "/" + counter;
            if (platform::FileAgeReadable(source) && CopyFileTo(source, exeDir + "/Resource", counter, false))
                platform::RemoveFile(source);
        }
        // Without a program name the folder would be the product folder with every other
        // program's settings in it: that is never moved.
        if (platform::IsDirectory(appDataFolder) && NamesProgramFolder(ProgramSettingsFolder)) {
            if (CopyDirectory(appDataFolder, programSettings, false)) DeleteDirectory(appDataFolder);
            const std::string timeZone = programSettings + "/TZCor.ini";
            if (platform::FileAgeReadable(timeZone)) {
                platform::CreateDirectories(appDataFolder);
                if (CopyFileTo(timeZone, appDataFolder, "TZCor.ini", false)) platform::RemoveFile(timeZone);
            }
        }
    });
    // What writes killed in earlier runs left in the folders of this start goes now, also when
    // this run has nothing new to write there. Before the program's folder is known, a folder of
    // Application Data mode is Application Data itself, which is not ours: the sweep passes it.
    Guard("URG.003-02", [&] {
        for (const int kind : {2, 3})
            platform::RemoveStaleWriteTemporaries(GetProgramPath(kind, ""), platform::kStaleWriteTemporaryAge);
    });
}

// ---- Versioned settings files ----

std::string ShortDateText() {
    const std::tm now = platform::LocalTimeNow();
    const QDate today(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    return QLocale::system().toString(today, QLocale::ShortFormat).toStdString();
}

// Every create and open starts the counts afresh and names the records after the new file.
static void StartCurrentFile(const std::string& name) {
    SettingsFileMissing = false;
    SettingsReadCount = 0;
    SettingsCorrectionCount = 0;
    SettingsFileName = name;
}

void CreateSettingsFile(const std::string& name, const std::string& version, const std::string& title) {
    Guard("URG.003-01", [&] { ReleaseCurrent(); });
    Guard("URG.003-01", [&] {
        StartCurrentFile(name);
        const std::string folder = SettingsFolder();
        if (!platform::CreateDirectories(folder)) throw std::runtime_error("cannot create the folder " + folder);
        SettingsFilePath = folder + name + ".ini";
        // The new file reaches the disk once, with its values, when it is closed (or when another
        // file is opened): one flushed write instead of two, and a run that ends before the close
        // leaves the earlier file rather than a bare header. A folder in its place fails here
        // (and again at the close).
        Current = OpenSettings{IniFile{}, SettingsFilePath, true};
        Put(*Current, "Main", "File", "<" + title + ">");
        Put(*Current, "Main", "Version", version);
        Put(*Current, "Main", "Date", ShortDateText());
        if (platform::IsDirectory(SettingsFilePath))
            throw std::runtime_error("the settings file " + SettingsFilePath +
                                     " cannot be made: a folder has its place");
        FindSettingsFileName(name);
    });
}

bool OpenSettingsFile(const std::string& name, const std::string& version) {
    bool opened = false;
    Guard("URG.004-01", [&] { ReleaseCurrent(); });
    Guard("URG.004-01", [&] {
        StartCurrentFile(name);
        SettingsFilePath = SettingsFolder() + name + ".ini";
        if (!platform::FileAgeReadable(SettingsFilePath)) {
            SettingsFileMissing = true;
            return;
        }
        // A file whose writing is held is read as it would have been written.
        const auto held = std::find_if(HeldWrites.rbegin(), HeldWrites.rend(),
                                       [](const HeldWrite& write) { return write.path == SettingsFilePath; });
        std::optional<IniFile> ini =
            held != HeldWrites.rend() ? std::optional(held->ini) : LoadIniFile(SettingsFilePath);
        if (!ini) {
            SettingsFileMissing = true;
            throw std::runtime_error("the settings file " + SettingsFilePath + " cannot be read");
        }
        Current = OpenSettings{std::move(*ini), SettingsFilePath, false};
        opened = true;
        const std::optional<std::string> stored = Current->ini.Read("Main", "Version");
        if (!stored || stored->empty()) Put(*Current, "Main", "Version", version);
        FindSettingsFileName(name);
    });
    return opened;
}

void WriteSettingInteger(const std::string& section, const std::string& key, int value) {
    Guard("URG.005-01", [&] {
        Put(RequireCurrent(), section, key, std::to_string(value));
        RecordSettingValue(false, "", value, 2, key);
    });
}

void WriteSettingString(const std::string& section, const std::string& key, const std::string& value) {
    Guard("URG.006-01", [&] {
        if (!IniFile::ValidValue(value)) throw std::invalid_argument("a settings text cannot hold a line break");
        Put(RequireCurrent(), section, key, "\"" + value + "\"");
        RecordSettingValue(false, value, 0, 1, key);
    });
}

void WriteSettingBool(const std::string& section, const std::string& key, bool value) {
    Guard("URG.007-01", [&] {
        Put(RequireCurrent(), section, key, value ? "1" : "0");
        RecordSettingValue(value, "", 0, 0, key);
    });
}

int ReadSettingInteger(const std::string& section, const std::string& key, int defaultValue, int min, int max) {
    int value = defaultValue;
    Guard("URG.008-01", [&] {
        if (SettingsFileMissing) return;
        OpenSettings& file = RequireCurrent();
        const std::optional<std::string> stored = file.ini.Read(section, key);
        if (stored) value = ParseInteger(*stored).value_or(defaultValue);
        ++SettingsReadCount;
        auto repair = [&] {
            Put(file, section, key, std::to_string(defaultValue));
            ++SettingsCorrectionCount;
        };
        if (!stored) repair();
        if (value < min) {
            value = defaultValue;
            repair();
        }
        if (value > max) {
            value = defaultValue;
            repair();
        }
        RecordSettingValue(false, "", value, 2, key);
    });
    return value;
}

std::string ReadSettingString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              bool& optionalKey) {
    std::string value = defaultValue;
    Guard("URG.009-01", [&] {
        if (SettingsFileMissing) {
            optionalKey = false;
            return;
        }
        OpenSettings& file = RequireCurrent();
        const std::optional<std::string> stored = file.ini.Read(section, key);
        if (stored) value = *stored;
        ++SettingsReadCount;
        if (!stored) {
            Put(file, section, key, defaultValue);
            if (!optionalKey) ++SettingsCorrectionCount;
        } else {
            optionalKey = false;
        }
        RecordSettingValue(false, value, 0, 1, key);
    });
    return value;
}

bool HasSetting(const std::string& section, const std::string& key) {
    bool present = false;
    Guard("URG.012-01", [&] { present = !SettingsFileMissing && Current && Current->ini.Read(section, key); });
    return present;
}

bool ReadSettingBool(const std::string& section, const std::string& key, bool defaultValue) {
    bool value = defaultValue;
    Guard("URG.010-01", [&] {
        if (SettingsFileMissing) return;
        OpenSettings& file = RequireCurrent();
        if (const std::optional<std::string> stored = file.ini.Read(section, key))
            value = ParseInteger(*stored).value_or(defaultValue ? 1 : 0) != 0;
        ++SettingsReadCount;
        RecordSettingValue(value, "", 0, 0, key);
    });
    return value;
}

void CloseSettingsFile(WindowHandle owner) {
    Guard("URG.011-01", [&] {
        if (SettingsFileMissing || !Current) return;
        // The file is written and let go before the box: its nested event loop may run handlers
        // that open another settings file.
        OpenSettings file = std::move(*Current);
        Current.reset();
        const bool repaired = SettingsCorrectionCount > 0;
        if (repaired) Put(file, "Main", "Date", ShortDateText());
        if (repaired && HoldingWrites) {
            HeldWrites.push_back({file.path, file.ini, std::pair(SettingsCorrectionCount, SettingsReadCount), owner});
            return;
        }
        Save(file);
        if (repaired) ShowSettingsRepairedMessage(owner, SettingsCorrectionCount, SettingsReadCount, kMbSystemModal);
    });
}

void HoldSettingsWrites() {
    Guard("URG.013-01", [&] {
        ReleaseCurrent();
        HoldingWrites = true;
    });
}

void ReleaseHeldSettingsWrites(bool write) {
    HoldingWrites = false;
    std::vector<HeldWrite> held = std::move(HeldWrites);
    HeldWrites.clear();
    if (!write) return;
    for (HeldWrite& step : held) {
        Guard("URG.011-01", [&] {
            OpenSettings file{std::move(step.ini), step.path, true};
            Save(file);
            if (step.repaired)
                ShowSettingsRepairedMessage(step.owner, step.repaired->first, step.repaired->second, kMbSystemModal);
        });
    }
}

void FindSettingsFileName(const std::string& name) {
    Guard("URG.003-04", [&] {
        SettingsFileSeen =
            std::find(SeenSettingsFiles.begin(), SeenSettingsFiles.end(), name) != SeenSettingsFiles.end();
        if (!SettingsFileSeen) SeenSettingsFiles.push_back(name);
    });
}

void RecordSettingValue(bool boolValue, const std::string& textValue, int intValue, int valueKind,
                        const std::string& key) {
    Guard("URG.003-03", [&] {
        const std::string recordKey = SettingsFileName + " " + key;
        std::string valueText;
        switch (valueKind) {
            case 0: valueText = boolValue ? "-1" : "0"; break;
            case 1: valueText = textValue; break;
            default: valueText = std::to_string(intValue); break;
        }
        if (!SettingsFileSeen) {
            RecordedSettingKeys.push_back(recordKey);
            RecordedSettingValues.push_back(valueText);
            return;
        }
        const auto found = std::find(RecordedSettingKeys.begin(), RecordedSettingKeys.end(), recordKey);
        if (found != RecordedSettingKeys.end())
            RecordedSettingValues[static_cast<std::size_t>(found - RecordedSettingKeys.begin())] = valueText;
    });
}

std::string ListSettingsForReport() {
    std::string list;
    Guard("URG.002-02", [&] {
        auto line = [&](const std::string& key, const std::string& value) {
            list += "\r\n" + key + " \"" + value + "\"";
        };
        for (std::size_t i = 0; i < RecordedSettingKeys.size() && i < RecordedSettingValues.size(); ++i)
            line(RecordedSettingKeys[i], RecordedSettingValues[i]);
        line("MustSetFilesInAppData", MustSetFilesInAppData ? "-1" : "0");
        line("UseAppData", UseAppData ? "-1" : "0");
    });
    return list;
}

}  // namespace kestrune
