#pragma once
// Start-up and shutdown services around the host window's one job, and the small services that
// the settings window and the other windows call.

#include <QPointer>
#include <QTimer>
#include <string>

#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/UniversalProcedures.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace kestrune {

// The windows and components registered here are watched: one that is freed reads as none.
extern QPointer<QWidget> HostForm;   // owner of the boxes and windows shown from here
extern bool IncludeModulesReady;     // from the end of the set-up until FinishIncludeModules
extern bool SettingsFrameShown;      // the settings window's update settings frame is open
extern bool ChecksStarted;           // the first-paint checks ran
extern bool AddonSwitch;             // the add-on check may run (the host passes false)
extern bool AddonWindowShown;
extern bool NewVersionWindowShown;
extern std::string MinimumWindowsText;  // the system named in the not-supported window
extern QPointer<QTimer> TimerUCNV;
extern QPointer<QTimer> TimerUCAC;
extern QPointer<QTimer> TimerUTZMSG;
extern QPointer<TUFrame1> SettingsFrame;  // the registered frame; kept after its window closes
extern QPointer<QWidget> ChoosePatchFrame;   // a settings-location frame; nothing registers one
extern QPointer<QWidget> HelpFrame;         // the host's help button frame
extern QPointer<QMenu> HelpMenuItem;        // the host's N70
extern QPointer<QAction> HelpMenuItem2;      // the host's N71
extern QPointer<QWidget> IncludePanel;

constexpr const char* kBuildTag = "2k";
constexpr const char* kLanguagePackTag = "< Lang.Pack for KV.Kestrune 1.0 >";

// The numbered start-up set-up; answers true when start-up was cut short (older system, or
// another copy running while stopIfRunning).
bool InitIncludeModules(bool languageDumpFlag, bool stopIfRunning, QWidget* includePanel,
                        WindowHandle ownerHandle, QWidget* ownerForm,
                        const std::string& locationArgument, bool addonSwitch, bool locationFlag);
// Answers true when no other copy runs, and also when the check itself fails.
bool CheckSingleInstanceSafe(bool notify, WindowHandle ownerHandle, QWidget* ownerForm);
// Registers the host window and its help controls, builds the language menu, captures the
// design texts, loads the language and reloads the settings. Only while IncludeModulesReady.
void InitWindowLanguage(int mode, QMenu* languageItem, QMenu* helpItem, QAction* helpItem2,
                        QMenu* menu, QMenu* menu2, QWidget* form, QWidget* helpFrame);
void BuildHelpLanguageMenu(int mode, QMenu* item, QAction* item2);
// The end of the set-up: the check's status text, the owner-drawn menus, the autostart value.
void FinishIncludeModules(bool withSettingsFrame);
// The owner-draw painter on every menu of the form and of the frames directly on it.
void OwnerDrawFormMenus(QWidget* form);
// The checks of the first paint, once per run and only when a language is known.
bool FirstPaintServices(bool onlyReport);
// Runs only when the host window itself closes.
void ShutdownIncludeModules();
// Stores the update settings and applies the autostart value. The move of the settings
// location runs only with both flags, a registered location frame and no forced AppData.
void SaveSettingsWindow(bool moveLocation, bool fromSettingsWindow);
void ReloadSettings();
// The add-on list window, modally, under BusyFlag.
void ShowAddOnWindow();
void RefreshHelpButtonMenu(QObject* item);
void SetupHelpButtonFrame(QWidget* frame, QObject* item);
void ShowAboutWindow();
// The page of the maker's other programs, in the current or else the help language.
void OpenOtherProgramsPage();
// Registers (frame given) or unregisters the settings window's update settings frame.
void RegisterSettingsFrame(bool mode, bool active, bool shown, TUFrame1* frame);

}  // namespace kestrune
