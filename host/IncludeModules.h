#pragma once
// Start-up and shutdown services around the host window's one job.

#include <string>

#include "foundation/UniversalProcedures.h"

class QAction;
class QMenu;
class QWidget;

namespace kestrune {

extern QWidget* HostForm;
extern bool IncludeModulesReady;
extern bool ChecksStarted;

// The numbered start-up set-up; answers true when start-up was cut short.
bool InitIncludeModules(bool languageDumpFlag, bool stopIfRunning, QWidget* includePanel,
                        WindowHandle ownerHandle, QWidget* ownerForm,
                        const std::string& locationArgument, bool addonSwitch, bool locationFlag);
void InitWindowLanguage(int mode, QMenu* languageItem, QMenu* helpItem, QAction* helpItem2,
                        QMenu* menu, QMenu* menu2, QWidget* form, QWidget* helpFrame);
void BuildHelpLanguageMenu(int mode, QMenu* item, QAction* item2);
void FinishIncludeModules(bool withSettingsFrame);
// The checks of the first paint, once per run and only when a language is known.
bool FirstPaintServices(bool onlyReport);
// Runs only when the host window itself closes.
void ShutdownIncludeModules();

}  // namespace kestrune
