#pragma once
// The language processor: the current language, the working language list read from the packs
// under "Language", and the translation of windows and frames by component name.
//
// Windows are designed in Russian. CaptureFormTexts/CaptureFrameTexts write a window's design
// texts in the pack format (into the base texts for the host window and its carrier frames,
// mode 1, or into a dump for a translator); LoadLanguage builds the working list from the base
// texts and the packs of CurrentLanguage; TranslateForm/TranslateFramePlain apply the window's
// sections of that list to its components, found by objectName. docs/language.md tells which
// Qt class and property stands for each kind of component.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace kestrune {

extern std::string CurrentLanguage;  // folder name of the current language: "Russian", "English", ...
extern std::string HelpLanguage;
// Credits of the current language's main pack, cleared by every load.
extern std::string TranslatorName;
extern std::string TranslatorUrl;
extern std::string TranslatorMail;
// Write the text dumps under "DefLang" (for translators starting a new pack).
extern bool LanguageDumpEnabled;

// The help index page of the current language, chosen by every language load.
extern std::string HelpIndexPath;  // the page the help button opens; empty when none
extern bool HelpFound;             // a help index page was found
extern bool SeveralHelpLanguages;  // the help-language choice is offered

// The three lists of lines: the captured design texts of the host window and its carrier
// frames (filled at start-up, never emptied), the scratch list of other captures, and the
// working list (base texts followed by the pack bodies) from which windows are translated.
extern std::vector<std::string> BaseTexts;
extern std::vector<std::string> CaptureList;
extern std::vector<std::string> WorkingLanguageList;

// Folder of the language packs: "<program folder>\Language\". Tests move the program folder
// with platform::SetExecutablePathForTesting.
std::string LanguageFolder();

// A language name that names a folder beside the others (and its pack "<name>.txt"): a name
// that may become part of a path (foundation/core/PathNames.h), never a path of its own.
bool IsPlainLanguageName(std::string_view name);

// The folder whose packs are a language's own: the program tells language names apart without
// letter case, so a name that is the fallback's ("ENGLISH") in another case reads the
// fallback's own folder "English" when its main pack is there; any other name is its folder.
std::string PackFolderOf(const std::string& language);

// Rebuilds the working list for CurrentLanguage: the base texts, then (for any language but
// Russian) the main packs with their credits and the "ULanguage.txt" packs, English first as
// the fallback of a third language. Then chooses the help index page and runs the
// re-translation handler.
void LoadLanguage();
// Chooses HelpIndexPath, HelpFound and SeveralHelpLanguages for CurrentLanguage (the last step
// of a language load, before the re-translation).
void ChooseHelpIndex();
// "<exe dir>\Language\<language>\Help\index.htm".
std::string HelpIndexPathOf(const std::string& language);
// Language folders holding a help index, in enumeration order.
std::vector<std::string> HelpLanguageFolders();

// Mode 0: the main packs "<Lang>\<Lang>.txt", with the credits; mode 1: the "ULanguage.txt"
// packs. Appends their bodies to the working list; a missing file is skipped, a file that
// cannot be read ends the call (lines appended so far stay).
void LoadLanguageFile(int mode);

// What LoadLanguage runs last: the host's fan-out that re-translates its windows and frames.
// Answers the handler it replaced.
using RetranslateHandler = std::function<void()>;
RetranslateHandler SetRetranslateHandler(RetranslateHandler handler);

// Captures a window's (or frame's) design texts. Mode 1: into the base texts; mode 0: only
// when the dumps are on, into the scratch list and its dump file.
void CaptureFormTexts(int mode, QWidget* form);
void CaptureFrameTexts(int mode, QWidget* frame);
// Applies the window's (frame's) sections of the working list: in mode 1 its base section
// first, then the English section unless the language is Russian, then the current
// language's section unless that is English. Mode 0 under Russian leaves the design texts.
void TranslateForm(int mode, QWidget* form);
void TranslateFramePlain(int mode, QWidget* frame);
// TranslateForm for a window that may open while the packs cannot be read (the error window):
// when the working list holds no section of the window and a language other than Russian is
// chosen, its texts come from the English pack built into the program.
void TranslateFormOrBuiltIn(int mode, QWidget* form);

// A window created for one showing and translated then (mode 0) that should still follow a
// change of language while it is open: its design texts are kept (call this before it is
// translated), and TranslateFollowedForms applies them and then the current language's
// sections, so a change back to Russian restores them. Only for windows whose texts are not
// filled in at run time. A freed window is dropped.
void FollowLanguageChanges(QWidget* form);
void TranslateFollowedForms();

// Text with every occurrence of the pattern replaced by the value, scanning left to right;
// nothing in the text is interpreted. Never loops: an empty pattern changes nothing.
std::string ReplacePlaceholder(const std::string& text, const std::string& pattern, const std::string& value);
// The same, answering the number of replacements too.
// Nothing in the program calls these two routines of the design; they are kept, with their tests.
std::string ReplaceAllCounted(const std::string& text, const std::string& pattern, const std::string& replacement,
                              int& count);
// 1-based position of the pattern in the text; 0 when absent, empty or longer than the text.
int FindSubstring(const std::string& text, const std::string& pattern);
bool IsNotCommentPrefix(const std::string& prefix);

}  // namespace kestrune
