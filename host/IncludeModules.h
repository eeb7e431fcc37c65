#pragma once
// The host's services around its one job, one file each: start-up (StartUpServices.cpp),
// shutdown (ShutdownServices.cpp), the help button's wiring (HelpButton.cpp), the window openers
// (WindowOpeners.cpp), the frame registry (FrameRegistry.cpp) and the check scheduling
// (CheckScheduling.cpp). This header gathers them, so callers include one file.

#include <QPointer>
#include <QTimer>
#include <string>

#include "checks/UFormAutoComponents.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Product.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace kestrune {

// The language packs' format tag: the packs carry it whatever the product comes to be called.
constexpr const char* kLanguagePackTag = "< Lang.Pack for KV.Kestrune 1.0 >";

// The windows and components registered here are watched: one that is freed reads as none.

// ---- Start-up (StartUpServices.cpp) ----------------------------------------------------------

extern QPointer<QWidget> HostForm;      // owner of the boxes and windows shown from here
extern bool IncludeModulesReady;        // from the end of the set-up until FinishIncludeModules
extern bool AddonSwitch;                // the add-on check may run (the host passes false)
extern std::string MinimumWindowsText;  // the system named in the not-supported window
extern QPointer<QWidget> IncludePanel;

// The numbered start-up set-up; answers true when start-up was cut short (older system, or
// another copy running while stopIfRunning).
bool InitIncludeModules(bool languageDumpFlag, bool stopIfRunning, QWidget* includePanel, WindowHandle ownerHandle,
                        QWidget* ownerForm, const std::string& locationArgument, bool addonSwitch, bool locationFlag);
// Answers true when no other copy runs, and also when the check itself fails.
bool CheckSingleInstanceSafe(bool notify, WindowHandle ownerHandle, QWidget* ownerForm);
// Registers the host window and its help controls, builds the language menu, captures the
// design texts, loads the language and reloads the settings. Only while IncludeModulesReady.
void InitWindowLanguage(int mode, QMenu* languageItem, QMenu* helpItem, QAction* helpItem2, QMenu* menu, QMenu* menu2,
                        QWidget* form, QWidget* helpFrame);
// The end of the set-up: the check's status text, the owner-drawn menus, the autostart value.
void FinishIncludeModules(bool withSettingsFrame);
// The owner-draw painter on every menu of the form and of the frames directly on it.
void OwnerDrawFormMenus(QWidget* form);
void ReloadSettings();

// ---- Shutdown (ShutdownServices.cpp) ---------------------------------------------------------

// Runs only when the host window itself closes.
void ShutdownIncludeModules();
// Stores the update settings, applies the autostart value and deletes the autostart settings
// file. The settings never move between the program folder and Application Data from here: no
// window of this program offers that choice.
void SaveSettingsWindow();

// ---- The help button (HelpButton.cpp) --------------------------------------------------------

extern QPointer<QWidget> HelpFrame;      // the host's help button frame
extern QPointer<QMenu> HelpMenuItem;     // the host's N70
extern QPointer<QAction> HelpMenuItem2;  // the host's N71

void BuildHelpLanguageMenu(int mode, QMenu* item, QAction* item2);
void RefreshHelpButtonMenu(QObject* item);
void SetupHelpButtonFrame(QWidget* frame, QObject* item);

// ---- Window openers (WindowOpeners.cpp) ------------------------------------------------------

// The add-on list window, modally, under BusyFlag.
void ShowAddOnWindow();
void ShowAboutWindow();
// The page of the maker's other programs, in the current or else the help language.
void OpenOtherProgramsPage();

// ---- The frame registry (FrameRegistry.cpp) --------------------------------------------------

extern bool SettingsFrameShown;             // the settings window's update settings frame is open
extern QPointer<TUFrame1> SettingsFrame;    // the registered frame; kept after its window closes
extern QPointer<QWidget> ChoosePatchFrame;  // a settings-location frame; nothing registers one

// Registers (frame given) or unregisters the settings window's update settings frame.
void RegisterSettingsFrame(bool mode, bool active, bool shown, TUFrame1* frame);

// ---- Check scheduling (CheckScheduling.cpp) --------------------------------------------------

extern bool ChecksStarted;  // the first-paint checks ran
extern QPointer<QTimer> TimerUCNV;
extern QPointer<QTimer> TimerUTZMSG;

// The checks of the first paint, once per run and only when a language is known.
bool FirstPaintServices(bool onlyReport);

}  // namespace kestrune
