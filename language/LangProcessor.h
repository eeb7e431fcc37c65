#pragma once
// The language processor: the current language and the translation of windows by component name.

#include <string>

class QWidget;

namespace kestrune {

extern std::string CurrentLanguage;
extern std::string HelpLanguage;

// Records the design-time texts of a window's components (mode 0: a fresh capture; 1: appended).
void CaptureFormTexts(int mode, QWidget* form);
// Applies the working list of the current language to a window's components by name.
void TranslateForm(int mode, QWidget* form);

}  // namespace kestrune
