#pragma once
// Set-up of the language processor, the language and help-language menus, the change of
// language and the help flags.

#include <string>

class QMenu;
class QObject;
class QPlainTextEdit;

namespace kestrune {

extern bool HelpFound;             // a help index page was found
extern bool SeveralHelpLanguages;  // the help-language choice is offered
extern bool LanguageChosen;        // the first-run choice took a language

// Stores the product name, the pack tag and the four lists of the carrier frame's memos.
void InitLanguageProcessor(bool dumpEnabled, const std::string& productName, const std::string& packTag,
                           QPlainTextEdit* languages, QPlainTextEdit* nativeNames, QPlainTextEdit* baseTexts,
                           QPlainTextEdit* workingList);
// Language items under parent (or at the top of menu when there is no parent).
void BuildLanguageMenu(QMenu* parent, QMenu* menu);
void BuildLanguageMenuGrouped(QMenu* parent, QMenu* menu);
// Loads the current language, re-translates, ticks its menu item and saves the choice.
void ChangeLanguage();
// Help-language items under parent; their click handler is holder's.
void AddHelpLanguageItems(QMenu* parent, QMenu* menu, QObject* holder);

}  // namespace kestrune
