#include "language/FirstChoose.h"

#include "language/LangProcessor.h"

namespace kestrune {

// Placeholder until the language choice lands: with one pack offered, English is taken.
void CreateFirstChooseWindow(QWidget*) {
    if (CurrentLanguage.empty()) CurrentLanguage = "English";
}

}  // namespace kestrune
