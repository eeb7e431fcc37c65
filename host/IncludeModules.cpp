#include "host/IncludeModules.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "checks/UFormAutoComponents.h"
#include "checks/UMessageForm.h"
#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/CheckOneCopyLaunch.h"
#include "foundation/HintPauses.h"
#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/SystemFolders.h"
#include "host/About.h"
#include "host/Autorun.h"
#include "host/FrameInclude.h"
#include "host/NotSupportedOS.h"
#include "host/OwnerDrawMenus.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"
#include "platform/Clock.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

QPointer<QWidget> HostForm;
bool IncludeModulesReady = false;
bool SettingsFrameShown = false;
bool ChecksStarted = false;
bool AddonSwitch = false;
bool AddonWindowShown = false;
bool NewVersionWindowShown = false;
std::string MinimumWindowsText;
QPointer<QTimer> TimerUCNV;
QPointer<QTimer> TimerUCAC;
QPointer<QTimer> TimerUTZMSG;
QPointer<TUFrame1> SettingsFrame;
QPointer<QWidget> ChoosePatchFrame;
QPointer<QWidget> HelpFrame;
QPointer<QMenu> HelpMenuItem;
QPointer<QAction> HelpMenuItem2;
QPointer<QWidget> IncludePanel;

namespace {

template <class T>
T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(name) : nullptr;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

void DeleteIfPresent(const std::string& path) {
    if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
}

}  // namespace

bool InitIncludeModules(bool languageDumpFlag, bool stopIfRunning, QWidget* includePanel, WindowHandle ownerHandle,
                        QWidget* ownerForm, const std::string& locationArgument, bool addonSwitch,
                        bool locationFlag) {
    bool result = false;
    std::string code = "UIF.007-01";
    auto step = [&](const char* number) { code = std::string("UIF.007-") + number; };
    Guard(code, [&] {
        step("01");
        result = false;
        AddonSwitch = addonSwitch;
        AddonWindowShown = false;
        NewVersionWindowShown = false;
        LanguageChosen = false;
        ErrorReportingOff = false;
        BusyFlag = false;
        TempDirCache.clear();
        ChecksStarted = false;
        MinimumWindowsText = "98";
        IncludePanel = includePanel;
        CallingProgramName = "KV.Kestrune";
        VersionText = kProgramVersionTag;
        AuthorAddress = kDeveloperAddress;
        ExternalErrorLogPath.clear();

        step("02");
        CreateIncludePanelComponents(IncludePanel);
        TimerUCNV = Child<QTimer>(IncludePanel, "TimerUCNV");
        TimerUCAC = Child<QTimer>(IncludePanel, "TimerUCAC");
        TimerUTZMSG = Child<QTimer>(IncludePanel, "TimerUTZMSG");
        const std::string buildTag = Lowered(kBuildTag);
        if (buildTag == "2k") MinimumWindowsText = "2000";
        if (buildTag == "xp") MinimumWindowsText = "XP";

        step("03");
        if (!IsWindowsAtLeast("2k")) {
            ErrorReportingOff = true;
            result = true;
            if (StartMessagesAllowed) {
                auto* window = new TUFormNotSupportedOS();
                window->setWindowTitle(QStringLiteral("KV.Kestrune %1...").arg(kProgramVersionTag));
                window->Memo2->setPlainText(QStringLiteral("KV.Kestrune Version: %1").arg(kProgramVersionTag));
                const QString minimum = QString::fromStdString(MinimumWindowsText);
                window->Memo3->setPlainText(QString::fromUtf8("Предназначена для Windows ") + minimum +
                                            QString::fromUtf8(" и выше.") + "\n" + "For Windows " + minimum +
                                            " and high.");
                window->exec();
            }
            return;
        }

        step("04");
        InitSettingsLocation(locationFlag, locationArgument, ownerForm);

        // Step 05 keeps the system's critical-error boxes away; Linux shows none. 06 and 07 are empty.
        step("05");

        step("08");
        DeleteIfPresent(GetSpecialFolder(0) + "/KV.Kestrune/TCounter.ini");
        DeleteIfPresent(platform::ExecutableFolder() + "/Resource/TCounter.ini");

        step("09");
        SettingsFrameShown = false;
        if (stopIfRunning) {
            if (!CheckSingleInstanceSafe(true, ownerHandle, ownerForm)) {
                result = true;
                TerminateApplication();
                QCoreApplication::processEvents();
            }
        } else {
            CheckSingleInstanceSafe(false, ownerHandle, ownerForm);
        }

        step("11");
        StartTickCount = platform::TickCount();

        step("12");
        QWidget* languages = Child<QWidget>(IncludePanel, "FrameLangComponents1");
        InitLanguageProcessor(languageDumpFlag, "KV.Kestrune", kLanguagePackTag,
                              Child<QPlainTextEdit>(languages, "MChoseLan"),
                              Child<QPlainTextEdit>(languages, "MDefaultlan"),
                              Child<QPlainTextEdit>(languages, "MLanCapt"), Child<QPlainTextEdit>(languages, "MLanProc"));

        step("13");
        IncludeModulesReady = true;
        SetHintPauses(100, -1);

        // Step 15's fix for the drawing of controls under the Alt key serves one Windows fault only.
        step("15");
    });
    return result;
}

bool CheckSingleInstanceSafe(bool notify, WindowHandle ownerHandle, QWidget* ownerForm) {
    bool result = true;
    Guard("UIF.006-01", [&] { result = CheckSingleInstance(notify, ownerHandle, ownerForm); });
    return result;
}

void InitWindowLanguage(int mode, QMenu* languageItem, QMenu* helpItem, QAction* helpItem2, QMenu* menu,
                        QMenu* menu2, QWidget* form, QWidget* helpFrame) {
    Guard("UIF.008-01", [&] {
        if (!IncludeModulesReady) return;
        HostForm = form;
        HelpFrame = helpFrame;
        HelpMenuItem = helpItem;
        HelpMenuItem2 = helpItem2;
        switch (mode) {
            case 0: BuildLanguageMenu(languageItem, menu); break;
            case 1: BuildLanguageMenu(nullptr, menu); break;
            case 2: BuildLanguageMenuGrouped(languageItem, menu2); break;
            default: break;
        }
        CaptureFormTexts(1, form);
        CaptureFrameTexts(1, Child<QWidget>(IncludePanel, "FrameTUAU1"));
        CaptureFrameTexts(1, Child<QWidget>(IncludePanel, "FrameUProcedures1"));
        ChangeLanguage();
        ReloadSettings();
    });
}

void BuildHelpLanguageMenu(int mode, QMenu* item, QAction*) {
    Guard("UIF.009-01", [&] {
        if (!IncludeModulesReady) return;
        // The items are made through the host's menu (Item) and fire the help frame's handler.
        QObject* holder = Child<QPlainTextEdit>(HelpFrame, "NTCProHlp");
        if (mode == 0 || mode == 1) AddHelpLanguageItems(HelpMenuItem, item, holder);
    });
}

void FinishIncludeModules(bool withSettingsFrame) {
    Guard("UIF.010-01", [&] {
        if (IncludeModulesReady) {
            IncludeModulesReady = false;
            if (withSettingsFrame && SettingsFrame) {
                SettingsFrame->ULaunchCheck(5, reinterpret_cast<std::intptr_t>(HostForm.data()), nullptr);
                SettingsFrame->ULaunchCheck(6, 0, nullptr);
            } else {
                AutoUpdateAction(6, 0, nullptr);
            }
        }
        if (HostForm) OwnerDrawFormMenus(HostForm);
        ApplyAutorunMode();
    });
}

void OwnerDrawFormMenus(QWidget* form) {
    Guard("UIF.001-01", [&] {
        if (!form) return;
        // The form's own menus, then those of each frame that lies directly on it (one level).
        auto menusOf = [](QObject* owner) { return owner->findChildren<QMenu*>(Qt::FindDirectChildrenOnly); };
        for (QMenu* menu : menusOf(form))
            ApplyOwnerDraw(MenuPainter, menu, nullptr);
        for (QFrame* frame : form->findChildren<QFrame*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<TUFrameHlpBtn*>(frame)) continue;
            for (QMenu* menu : menusOf(frame)) ApplyOwnerDraw(MenuPainter, menu, nullptr);
        }
    });
}

bool FirstPaintServices(bool onlyReport) {
    bool result = false;
    Guard("UIF.011-01", [&] {
        if (ChecksStarted || CurrentLanguage.empty()) return;
        ChecksStarted = true;
        if (onlyReport) {
            result = VersionCheckEnabled;
        } else {
            AutoUpdateAction(3, 0, nullptr);
            AutoUpdateAction(1, 0, TimerUCNV);
        }
        if (AddonSwitch && AddonHelperPresent && AddonCheckEnabled) {
            if (AddonCheckOnlineOnly && !IsInternetConnected()) {
                if (TimerUCAC) {
                    TimerUCAC->setInterval(10000);
                    TimerUCAC->start();
                }
            } else {
                if (TUFormAutoComponents::CheckNewFile()) TUFormAutoComponents::CheckEndCheckedWF();
                TUFormAutoComponents::LaunchCheckUAC(false);
            }
        }
        if (IsInternetConnected()) {
            TUFormUMessage::CheckNewFile();
            TUFormUMessage::LaunchCheckUAC();
        }
    });
    return result;
}

void ShutdownIncludeModules() {
    Guard("UIF.012-01", [&] {
        RemoveTrayIcon();
        DeleteIfPresent(GetProgramPath(0, "Temp.mht"));
        DeleteErrorTempFiles();
        DeleteCheckFlags();
        SaveSettingsWindow(false, false);
    });
}

void SaveSettingsWindow(bool moveLocation, bool fromSettingsWindow) {
    std::string code = "UIF.013-00";
    auto step = [&](char number) { code = std::string("UIF.013-0") + number; };
    Guard(code, [&] {
        step('0');
        AutoUpdateAction(4, 0, nullptr);
        step('1');
        ApplyAutorunMode();
        step('2');
        DeleteAutorunSettings();
        // Step 3 would move the settings between the program folder and Application Data as a
        // settings-location frame chose; this program registers no such frame, and both callers
        // pass moveLocation false, so the settings never move from here.
        step('3');
        (void)moveLocation;
        (void)fromSettingsWindow;
    });
}

void ReloadSettings() {
    Guard("UIF.014-01", [&] {
        AutoUpdateAction(5, reinterpret_cast<std::intptr_t>(HostForm.data()), nullptr);
        ResetAutorunSettings();
        ApplyAutorunMode();
        if (AddonSwitch) TUFormAutoComponents::LoadParametrsUAC(HostForm);
    });
}

void ShowAddOnWindow() {
    Guard("UIF.015-01", [&] {
        const bool setHere = !BusyFlag;
        BusyFlag = true;
        struct Restore {
            bool setHere;
            ~Restore() {
                if (setHere) BusyFlag = false;
                if (HostForm) HostForm->activateWindow();
            }
        } restore{setHere};
        auto* window = new TUFormAutoComponents();
        window->raise();
        window->activateWindow();
        window->exec();
    });
}

void RefreshHelpButtonMenu(QObject* item) {
    Guard("UIF.002-01", [&] {
        if (!SeveralHelpLanguages) return;
        if (auto* frame = qobject_cast<TUFrameHlpBtn*>(HelpFrame)) frame->InitPopUpMenu(item);
    });
}

void SetupHelpButtonFrame(QWidget* frame, QObject* item) {
    Guard("UIF.004-01", [&] {
        if (auto* button = Child<QWidget>(frame, "HlpBtn")) button->setEnabled(HelpFound);
        if (auto* button = Child<QWidget>(frame, "BitBtn1")) button->setVisible(SeveralHelpLanguages);
        if (!SeveralHelpLanguages) return;
        if (auto* helpFrame = qobject_cast<TUFrameHlpBtn*>(frame)) helpFrame->InitPopUpMenu(item);
    });
}

void ShowAboutWindow() {
    Guard("UIF.003-01", [&] { ShowFormModal<TUFormAbout>(false, HostForm); });
}

void OpenOtherProgramsPage() {
    Guard("UIF.003-04", [&] {
        auto page = [](const std::string& language) {
            return platform::ExecutableFolder() + "\\Language\\" + language + "\\Help\\OtherSoft.htm";
        };
        std::string path = page(CurrentLanguage);
        if (CurrentLanguage.empty() || !platform::IsRegularFile(path)) path = page(HelpLanguage);
        // Opened whether or not it is there: the desktop then tells the user that it is missing.
        ShellOpen(path, 5);
    });
}

void RegisterSettingsFrame(bool mode, bool active, bool shown, TUFrame1* frame) {
    Guard("UIF.005-01", [&] {
        SettingsFrameShown = shown;
        if (frame) {
            SettingsFrame = frame;
            CaptureFrameTexts(mode ? 1 : 0, frame);
            TranslateFramePlain(mode ? 1 : 0, frame);
        }
        if (!SettingsFrame) return;
        if (active && TimerUCNV && TimerUCNV->isActive()) {
            UpdateCheckStatusText(false);
            SettingsFrame->Panel2->setText(QString::fromStdString(UpdateStatusText));
        }
        if (active) SettingsFrame->ULaunchCheck(6, 0, nullptr);
    });
}

}  // namespace kestrune
