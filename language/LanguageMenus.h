#pragma once
// Set-up of the language processor, the offered languages and the language settings file
// "ULangSettings.ini", the language and help-language menu items and the change of language.
// The choice of the help index page, the last step of every language load, is the language
// processor's (LangProcessor.h).

#include <QList>
#include <QPointer>
#include <string>
#include <vector>

#include "foundation/UniversalProcedures.h"
#include "language/LangProcessor.h"

class QAction;
class QComboBox;
class QMenu;
class QObject;

namespace kestrune {

class TClickMemo;

// Dynamic property of the language and help-language items made at run time: their folder name.
inline constexpr char kLanguageItemProperty[] = "languageItem";

extern bool DefaultNewVersionLanguage;  // the new-version window shows the English text for a third language
extern bool NeedLanguageChoice;         // no valid language is stored: the first-run chooser asks
extern bool LanguageChosen;             // the first-run choice took a language with its button
extern std::string LanguageProductName;
extern std::string LanguagePackTag;

// The offered languages (folder names) and their native names, index-aligned; entry 0 is
// "Russian" [Русский]. Built once per run by FillLanguageChooser.
extern std::vector<std::string> LanguageList;
extern std::vector<std::string> NativeNameList;

// Where language items were placed, for ticking the current one.
extern QPointer<QMenu> LanguageMenuParent;
extern QPointer<QMenu> LanguagePopupMenu;
extern QPointer<QMenu> GroupedLanguageMenuParent;
extern QPointer<QMenu> GroupedLanguageMenuOwner;

// Stores the product name, the pack tag and the carrier frame's memos (the working list's memo,
// whose click handler LoadLanguage fires last, and the memos whose handlers the language items
// get); empties the lists, clears the menu places and the current language.
void InitLanguageProcessor(bool dumpEnabled, const std::string& productName, const std::string& packTag,
                           TClickMemo* workingList, TClickMemo* baseTexts, TClickMemo* nativeNames,
                           TClickMemo* languages);
// Builds the language list from the packs under "Language" (only packs whose main file reads
// and carries the pack tag), adds each to the chooser's combo box when one is given, then
// reads the language settings.
void FillLanguageChooser(WindowHandle owner, QComboBox* chooser);
// Whether the folder "Language\<name>" offers a language: its main pack reads and its second
// header line is the pack tag. Russian (any letter case) is built in and never offered from
// the disk.
bool IsOfferedLanguage(const std::string& name, std::string* nativeName = nullptr);
// Reads ULangSettings.ini: the language (a missing key, a language without its pack file, no
// file: NeedLanguageChoice, nothing written), then the help and new-version languages.
void LoadLanguageSettings(WindowHandle owner);
// A start that names its language reads only the stored help and new-version languages, so that
// storing the language it was given keeps them.
void LoadStoredLanguageChoices(WindowHandle owner);
// Stores the three values; a run without a language stores nothing.
void SaveLanguageSettings();
// Loads CurrentLanguage, re-translates (the fan-out), ticks its items and saves the settings
// (not while no valid language is known: a start whose choice was left open asks again).
void ChangeLanguage();

// Language items under parent (or at the top of menu when there is no parent).
void BuildLanguageMenu(QMenu* parent, QMenu* menu);
void BuildLanguageMenuGrouped(QMenu* parent, QMenu* menu);
// The language items of one place: under the parent item, at the top of the popup menu, or
// under the grouped parent.
enum class LanguageItemPlace { Parent, Popup, Grouped };
QList<QAction*> LanguageItems(LanguageItemPlace place);
// The folder name an item made here stands for.
std::string ItemLanguage(const QObject* item);

// Help-language items ("<Lang>Hlp") under parent; clicking one fires holder's click handler
// (a TClickMemo) with the item as sender.
void AddHelpLanguageItems(QMenu* parent, QMenu* menu, QObject* holder);

}  // namespace kestrune
