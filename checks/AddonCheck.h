#pragma once
// The add-on list check, without its window.
//
// The check keeps, in the settings folder, an accepted copy of the maker's list of add-ons and
// patches and tells the user when a new complete list has arrived. When it is due it starts the
// agent in list mode under the file prefix kAddonPrefix (both sides use it: the agent refuses an
// empty prefix), never waits for it, and lets the include panel's TimerUCAC poll for the ready
// flag. The files: kAddonPrefix + "_LastCheck.ini", + ".ini" (the new list), + "_UAC.ini" (the
// accepted list) in the settings folder, + "_CAC_Ready" in TEMP. It runs only while the start-up
// add-on switch is on; the host starts with it off. Its window is checks/UFormAutoComponents.

#include <QPointer>
#include <functional>
#include <string>

#include "checks/AgentResults.h"
#include "foundation/WindowHandle.h"

class QObject;
class QTimer;
class QWidget;

namespace kestrune {

constexpr const char* kAddonPrefix = "Components";
// The maker's add-on list; tests point it at their own server.
extern std::string AddonListUrl;

// Settings of the check ("UACSettings.ini"), filled by LoadParametrsUAC and the window's OK.
extern bool AddonHelperPresent;    // the agent file is there
extern bool AddonCheckEnabled;     // check at start
extern int AddonIntervalIndex;     // interval index of the due test, 0..6
extern bool AddonCheckOnlineOnly;  // start only while the computer is online

extern bool AddonWindowShown;  // an add-on list window is open
// The include panel's add-on timer, registered at start-up: disabled (idle), 10000 ms (waiting for
// a connection), 500 ms (the agent runs; its ready flag is polled).
extern QPointer<QTimer> TimerUCAC;

// What the window needs of the host: the opener that shows it modally under BusyFlag, and the
// wiring of its help button frame. The start-up services install them.
struct AddonWindowServices {
    std::function<void()> showWindow;
    std::function<void(QWidget* frame, QObject* item)> setupHelpFrame;
    std::function<void(QObject* item)> refreshHelpMenu;
};
void SetAddonWindowServices(AddonWindowServices services);
const AddonWindowServices& CurrentAddonWindowServices();

// The open add-on list window as the check reaches it; the window sets itself here while it is
// open, and takes itself away when it goes.
class AddonListWindow {
public:
    virtual QWidget* Widget() = 0;  // the owner of the check's notices
    virtual void NullText() = 0;
    virtual void CreateTreeView() = 0;
    virtual void CheckEndChecked() = 0;  // a check has ended

protected:
    ~AddonListWindow() = default;
};
extern AddonListWindow* ShownAddonWindow;

// The check's operations; they need no window.
void LoadParametrsUAC(WindowHandle owner);
void SaveSettingsUAC();
void LaunchCheckUAC(bool manual);
// Accepts a complete new list and announces it; true when the user asked to open the window.
bool CheckNewFile();
void CheckEndCheckedWF();
// One tick of the include panel's TimerUCAC.
void TimerUCACTimer();

// The accepted list as the window shows it.
AgentResultText ReadAcceptedAddonList();
// InstallComponents.ini beside the agent, whatever the settings location; missing: nothing installed.
std::string InstalledAddonList();

// Which text the status line shows: no agent, a check running, the last check's date (the check
// at start on), the check at start off. mode 0 is a running check.
enum class AddonStatus { NoAgent, Checking, LastCheck, Off };
AddonStatus AddonStatusFor(int mode, bool checkAtStart);

}  // namespace kestrune
