#pragma once
// The add-on list check and its window.
//
// The check keeps, in the settings folder, an accepted copy of the maker's list of add-ons and
// patches and tells the user when a new complete list has arrived. When it is due it starts the
// agent in list mode under the file prefix kAddonPrefix (both sides use it: the agent refuses an
// empty prefix), never waits for it, and lets the include panel's TimerUCAC poll for the ready
// flag. The files: kAddonPrefix + "_LastCheck.ini", + ".ini" (the new list), + "_UAC.ini" (the
// accepted list) in the settings folder, + "_CAC_Ready" in TEMP. It runs only while the start-up
// add-on switch is on; the host starts with it off.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "foundation/UniversalProcedures.h"

class QTimer;

namespace Ui {
class TUFormAutoComponents;
}

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

class TUFormAutoComponents : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate. The window frees itself when it closes.
    explicit TUFormAutoComponents(QWidget* parent = nullptr);
    ~TUFormAutoComponents() override;

    void FormCreate();
    void CreateTreeView();
    void NullText();
    void NTCTreeView1Click();
    void NTCComboBox1Change();
    void Button1Click();  // opens the download page
    void CheckBox7Click();
    void Button2Click();  // check now
    void Button3Click();  // OK
    void Button4Click();  // Cancel
    void UFrameHlpBtn1BitBtn1Click();
    void ChangeStatus(int mode);
    void CheckEndChecked();

    // The check's operations; they need no window.
    static void LoadParametrsUAC(WindowHandle owner);
    static void SaveSettingsUAC();
    static void LaunchCheckUAC(bool manual);
    // Accepts a complete new list and announces it; true when the user asked to open the window.
    static bool CheckNewFile();
    static void CheckEndCheckedWF();
    // One tick of the include panel's TimerUCAC.
    static void TimerUCACTimer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FitStatusLine();

    std::unique_ptr<Ui::TUFormAutoComponents> ui_;
    QWidget* helpFrame_ = nullptr;
    bool closed_ = false;
};

// The open add-on list window, or none.
extern QPointer<TUFormAutoComponents> ShownAddonWindow;

}  // namespace kestrune
