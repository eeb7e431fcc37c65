#include "language/LanguageMenus.h"

#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"

namespace kestrune {

bool HelpFound = false;
bool SeveralHelpLanguages = false;
bool LanguageChosen = false;

const ProgramValues menuValues([] {
    HelpFound = false;
    SeveralHelpLanguages = false;
    LanguageChosen = false;
});

// Placeholders until the language menus and settings land: no menus, no help, nothing saved.
void InitLanguageProcessor(bool, const std::string&, const std::string&, QPlainTextEdit*, QPlainTextEdit*,
                           QPlainTextEdit*, QPlainTextEdit*) {
    Guard("ULP.028-01", [&] {
        CurrentLanguage.clear();
        HelpLanguage = "English";
    });
}

void BuildLanguageMenu(QMenu*, QMenu*) {}
void BuildLanguageMenuGrouped(QMenu*, QMenu*) {}
// Loads the language only; ticking the menu item and saving the choice come with the menus.
void ChangeLanguage() {
    Guard("ULP.025-01", [&] { LoadLanguage(); });
}
void AddHelpLanguageItems(QMenu*, QMenu*, QObject*) {}

}  // namespace kestrune
