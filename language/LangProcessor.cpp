#include "language/LangProcessor.h"

namespace kestrune {

std::string CurrentLanguage;
std::string HelpLanguage;

// Placeholder bodies until the language packs land.
void CaptureFormTexts(int, QWidget*) {}
void TranslateForm(int, QWidget*) {}

}  // namespace kestrune
