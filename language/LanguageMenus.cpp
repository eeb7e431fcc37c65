#include "language/LanguageMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>
#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "language/ClickMemo.h"
#include "language/Components.h"
#include "language/LangProcessor.h"
#include "language/pack/LanguagePack.h"
#include "language/pack/PackFile.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"

namespace kestrune {

bool DefaultNewVersionLanguage = true;
bool NeedLanguageChoice = false;
bool LanguageChosen = false;
std::string LanguageProductName;
std::string LanguagePackTag;
std::vector<std::string> LanguageList;
std::vector<std::string> NativeNameList;
QPointer<QMenu> LanguageMenuParent;
QPointer<QMenu> LanguagePopupMenu;
QPointer<QMenu> GroupedLanguageMenuParent;
QPointer<QMenu> GroupedLanguageMenuOwner;

namespace {
// The language settings files (native paths) that were there but could not be read in this run:
// the failure is reported at the first open, and the file is neither opened again nor written
// over, as the calling program's settings file is not.
std::set<std::string> UnreadableLanguageSettings;
}  // namespace

const ProgramValues menuValues([] {
    UnreadableLanguageSettings.clear();
    DefaultNewVersionLanguage = true;
    NeedLanguageChoice = false;
    LanguageChosen = false;
    LanguageProductName.clear();
    LanguagePackTag.clear();
    LanguageList.clear();
    NativeNameList.clear();
    LanguageMenuParent = nullptr;
    LanguagePopupMenu = nullptr;
    GroupedLanguageMenuParent = nullptr;
    GroupedLanguageMenuOwner = nullptr;
});

namespace {

constexpr char kSettingsName[] = "ULangSettings";
constexpr char kSettingsVersion[] = "01.00";
constexpr char kSettingsTitle[] = "ULang.Proc. Settings File";
constexpr char kRussianNativeName[] = "Русский";
constexpr char kFallbackLanguage[] = "English";  // the folder the loader reads first for a third language

bool ListsGiven = false;  // InitLanguageProcessor ran: the language list may be built
QPointer<TClickMemo> WorkingListMemo;
QPointer<TClickMemo> BaseTextsMemo;
QPointer<TClickMemo> NativeNamesMemo;
QPointer<TClickMemo> LanguagesMemo;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "&" would mark a keyboard accelerator in a Qt menu; a folder name shows as it is.
QString MenuCaption(const std::string& text) { return FromUtf8(text).replace('&', "&&"); }

bool IsRussian(const std::string& name) { return platform::AsciiLower(name) == "russian"; }

// A folder name that can be stored and built into paths as it stands.
bool IsUsableFolderName(const std::string& name) {
    if (!IsPlainLanguageName(name)) return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return false;
    }
    return true;
}

std::string MainPackPath(const std::string& name) { return LanguageFolder() + name + "\\" + name + ".txt"; }

// Radio items of one place: ticking one unticks the others, and a click on the ticked item
// unticks it (the handlers tick it again), as the original radio menu items did.
QActionGroup* GroupOf(QMenu* owner, const char* name) {
    if (auto* group = owner->findChild<QActionGroup*>(name, Qt::FindDirectChildrenOnly)) return group;
    auto* group = new QActionGroup(owner);
    group->setObjectName(name);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    return group;
}

void AddLanguageItems(QMenu* parent, QMenu* menu, TClickMemo* holder, const char* groupName) {
    QMenu* target = parent ? parent : menu;
    QActionGroup* group = GroupOf(menu, groupName);
    for (std::size_t i = LanguageList.size(); i-- > 0;) {
        const std::string& language = LanguageList[i];
        const std::string native = i < NativeNameList.size() ? NativeNameList[i] : std::string();
        auto* item = new QAction(MenuCaption(language + " [" + native + "]"), menu);
        item->setObjectName(FromUtf8(language));
        item->setProperty(kLanguageItemProperty, FromUtf8(language));
        item->setProperty(kRuntimeItemProperty, true);
        item->setCheckable(true);
        group->addAction(item);
        const QList<QAction*> existing = target->actions();
        target->insertAction(existing.isEmpty() ? nullptr : existing.first(), item);
        if (holder) {
            QPointer<TClickMemo> memo = holder;
            QObject::connect(item, &QAction::triggered, item, [memo, item] {
                if (memo) memo->Click(item);
            });
        }
    }
}

QList<QAction*> LanguageItemsOf(QMenu* menu) {
    QList<QAction*> items;
    if (!menu) return items;
    for (QAction* action : menu->actions()) {
        if (action->property(kLanguageItemProperty).isValid()) items << action;
    }
    return items;
}

void FireRetranslation() {
    if (WorkingListMemo) WorkingListMemo->Click(WorkingListMemo);
}

// The help language and the new-version language as stored, in the open settings file.
// Reads the help and new-version choices. A read writes a missing key with its default; with
// onlyStored a missing key keeps its default unwritten, so the file stays as it was.
void ReadStoredChoices(bool onlyStored = false) {
    bool missing = true;
    HelpLanguage = "English";
    if (!onlyStored || HasSetting("Settings", "DefaultHelpLanguage"))
        HelpLanguage = ReadSettingString("Settings", "DefaultHelpLanguage", "English", missing);
    auto hasHelp = [](const std::string& language) {
        return IsUsableFolderName(language) && platform::FileAgeReadable(HelpIndexPathOf(language));
    };
    if (!hasHelp(HelpLanguage)) HelpLanguage = "English";
    if (!hasHelp(HelpLanguage)) HelpLanguage = "Russian";
    if (!hasHelp(HelpLanguage)) HelpLanguage.clear();
    DefaultNewVersionLanguage = true;
    if (!onlyStored || HasSetting("Settings", "DefaultNewVersionLanguage"))
        DefaultNewVersionLanguage = ReadSettingBool("Settings", "DefaultNewVersionLanguage", true);
}

std::string LanguageSettingsPath() { return platform::NativePath(GetProgramPath(2, "") + kSettingsName + ".ini"); }

// Opens the language settings for reading; false when they are missing or cannot be read. A
// file that could not be read is not tried again in this run (its failure was reported once).
bool OpenLanguageSettings() {
    if (UnreadableLanguageSettings.count(LanguageSettingsPath())) return false;
    if (OpenSettingsFile(kSettingsName, kSettingsVersion)) return true;
    if (platform::FileAgeReadable(SettingsFilePath))
        UnreadableLanguageSettings.insert(platform::NativePath(SettingsFilePath));
    return false;
}

// The file is closed on every way out, a failed read or write included.
struct SettingsFileCloser {
    WindowHandle owner;
    ~SettingsFileCloser() { CloseSettingsFile(owner); }
};

}  // namespace

void InitLanguageProcessor(bool dumpEnabled, const std::string& productName, const std::string& packTag,
                           TClickMemo* workingList, TClickMemo* baseTexts, TClickMemo* nativeNames,
                           TClickMemo* languages) {
    Guard("ULP.028-01", [&] {
        LanguageProductName = productName;
        LanguagePackTag = packTag;
        LanguageDumpEnabled = dumpEnabled;
        WorkingListMemo = workingList;
        BaseTextsMemo = baseTexts;
        NativeNamesMemo = nativeNames;
        LanguagesMemo = languages;
        // The lists belong to this run's carrier frame: a new one starts empty.
        LanguageList.clear();
        NativeNameList.clear();
        BaseTexts.clear();
        CaptureList.clear();
        WorkingLanguageList.clear();
        ListsGiven = true;
        SetRetranslateHandler(FireRetranslation);
        LanguageMenuParent = nullptr;
        LanguagePopupMenu = nullptr;
        GroupedLanguageMenuParent = nullptr;
        GroupedLanguageMenuOwner = nullptr;
        CurrentLanguage.clear();
        HelpLanguage = "English";
        DefaultNewVersionLanguage = true;
        NeedLanguageChoice = false;
    });
}

bool IsOfferedLanguage(const std::string& name, std::string* nativeName) {
    // Russian is the language of the window layouts: the built-in first entry, whatever a folder says.
    if (IsRussian(name) || !IsUsableFolderName(name)) return false;
    const std::string file = MainPackPath(name);
    const langpack::PackFile pack = langpack::ReadPackFile(file, name);
    if (pack.status != langpack::PackFile::Status::Read) return false;  // a pack that cannot be read offers nothing
    const langpack::PackHeader header = langpack::ReadPackHeader(pack.lines);
    if (header.tag != LanguagePackTag) return false;
    if (nativeName) *nativeName = header.nativeName;
    return true;
}

void FillLanguageChooser(WindowHandle owner, QComboBox* chooser) {
    Guard("ULP.031-01", [&] {
        if (!ListsGiven) return;
        LanguageList.clear();
        NativeNameList.clear();
        LanguageList.push_back("Russian");
        NativeNameList.push_back(kRussianNativeName);
        std::vector<std::pair<std::string, std::string>> offered;
        for (const std::string& name : platform::ListDirectory(LanguageFolder())) {
            std::string native;
            if (IsOfferedLanguage(name, &native)) offered.emplace_back(name, native);
        }
        // On a file system that tells letter case apart two folders may differ only in it; the
        // program compares language names without it, so one of them stands: the spelling the
        // loader reads as the fallback ("English"), else the first one.
        const auto fallbackOffered = std::any_of(
            offered.begin(), offered.end(), [](const auto& language) { return language.first == kFallbackLanguage; });
        for (const auto& [name, native] : offered) {
            if (fallbackOffered && name != kFallbackLanguage && platform::AsciiEqualsNoCase(name, kFallbackLanguage))
                continue;
            bool known = false;
            for (const std::string& listed : LanguageList) known = known || platform::AsciiEqualsNoCase(listed, name);
            if (known) continue;
            if (chooser) chooser->addItem(FromUtf8(name + " [" + native + "]"));
            LanguageList.push_back(name);
            NativeNameList.push_back(native);
        }
    });
    // A failure while the packs are listed leaves the list as far as it was built; the settings
    // are read all the same.
    if (ListsGiven) LoadLanguageSettings(owner);
}

void LoadLanguageSettings(WindowHandle owner) {
    Guard("ULP.026-01", [&] {
        NeedLanguageChoice = false;
        if (!OpenLanguageSettings()) {
            NeedLanguageChoice = true;
            return;
        }
        SettingsFileCloser closer{owner};
        // The help and new-version choices are read first: a start whose language must be chosen
        // again stores them back with the new language, never their defaults in their place.
        ReadStoredChoices(/*onlyStored=*/true);
        // A missing language stays missing: written with its default it would read as a choice,
        // and the next start would not ask again.
        if (!HasSetting("Settings", "Language")) {
            CurrentLanguage = "Russian";
            NeedLanguageChoice = true;
            return;
        }
        bool missing = true;
        // Stored in another letter case, the fallback language is the one the menus offer.
        CurrentLanguage = PackFolderOf(ReadSettingString("Settings", "Language", "Russian", missing));
        // Only a regular file is a pack: a folder in its place is a missing pack.
        if (!IsRussian(CurrentLanguage) &&
            (!IsUsableFolderName(CurrentLanguage) || !platform::IsRegularFile(MainPackPath(CurrentLanguage)))) {
            NeedLanguageChoice = true;
            return;
        }
        ReadStoredChoices();
    });
}

void LoadStoredLanguageChoices(WindowHandle owner) {
    Guard("ULP.026-01", [&] {
        if (!OpenLanguageSettings()) return;
        SettingsFileCloser closer{owner};
        ReadStoredChoices();
    });
}

void SaveLanguageSettings() {
    Guard("ULP.027-01", [&] {
        // A run without a language (an incomplete start) has nothing to store; an empty language
        // would wipe the one stored.
        if (CurrentLanguage.empty()) return;
        if (UnreadableLanguageSettings.count(LanguageSettingsPath())) {
            std::fprintf(stderr, "%s: \"%s\" could not be read; it is kept as it is.\n", kProductName,
                         Printable(LanguageSettingsPath()).c_str());
            return;
        }
        CreateSettingsFile(kSettingsName, kSettingsVersion, kSettingsTitle);
        SettingsFileCloser closer{nullptr};
        WriteSettingString("Settings", "Language", CurrentLanguage);
        WriteSettingString("Settings", "DefaultHelpLanguage", HelpLanguage);
        WriteSettingBool("Settings", "DefaultNewVersionLanguage", DefaultNewVersionLanguage);
    });
}

void ChangeLanguage() {
    Guard("ULP.025-01", [&] {
        LoadLanguage();
        const std::string current = platform::AsciiLower(CurrentLanguage);
        for (LanguageItemPlace place :
             {LanguageItemPlace::Grouped, LanguageItemPlace::Popup, LanguageItemPlace::Parent}) {
            for (QAction* item : LanguageItems(place))
                item->setChecked(platform::AsciiLower(ItemLanguage(item)) == current);
        }
        if (!NeedLanguageChoice) SaveLanguageSettings();
    });
}

void BuildLanguageMenu(QMenu* parent, QMenu* menu) {
    Guard("ULP.030-01", [&] {
        if (!menu) return;
        if (parent) {
            AddLanguageItems(parent, menu, BaseTextsMemo, "LanguageItems");
            LanguageMenuParent = parent;
        } else {
            AddLanguageItems(nullptr, menu, NativeNamesMemo, "PopupLanguageItems");
        }
        LanguagePopupMenu = menu;
    });
}

void BuildLanguageMenuGrouped(QMenu* parent, QMenu* menu) {
    Guard("ULP.029-01", [&] {
        if (!parent || !menu) return;
        AddLanguageItems(parent, menu, LanguagesMemo, "GroupedLanguageItems");
        GroupedLanguageMenuParent = parent;
        GroupedLanguageMenuOwner = menu;
    });
}

QList<QAction*> LanguageItems(LanguageItemPlace place) {
    switch (place) {
        case LanguageItemPlace::Parent: return LanguageItemsOf(LanguageMenuParent);
        case LanguageItemPlace::Grouped: return LanguageItemsOf(GroupedLanguageMenuParent);
        case LanguageItemPlace::Popup: return LanguageItemsOf(LanguagePopupMenu);
    }
    return {};
}

std::string ItemLanguage(const QObject* item) {
    if (!item) return {};
    const QVariant language = item->property(kLanguageItemProperty);
    return (language.isValid() ? language.toString() : item->objectName()).toUtf8().toStdString();
}

void AddHelpLanguageItems(QMenu* parent, QMenu* menu, QObject* holder) {
    Guard("ULP.002-02", [&] {
        if (!parent || !menu) return;
        QPointer<TClickMemo> memo = qobject_cast<TClickMemo*>(holder);
        for (const std::string& language : HelpLanguageFolders()) {
            auto* item = new QAction(MenuCaption(language), menu);
            item->setObjectName(FromUtf8(language + "Hlp"));
            item->setProperty(kLanguageItemProperty, FromUtf8(language));
            item->setProperty(kRuntimeItemProperty, true);
            const QList<QAction*> existing = parent->actions();
            parent->insertAction(existing.isEmpty() ? nullptr : existing.first(), item);
            QObject::connect(item, &QAction::triggered, item, [memo, item] {
                if (memo) memo->Click(item);
            });
        }
    });
}

}  // namespace kestrune
