#include "foundation/core/Product.h"
#include "host/IncludeModules.h"

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>

#include "checks/AddonCheck.h"
#include "checks/UnitAutoUpdate.h"
#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/CheckOneCopyLaunch.h"
#include "foundation/HintPauses.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "host/Autorun.h"
#include "host/NotSupportedOS.h"
#include "host/OwnerDrawMenus.h"
#include "host/ServiceHelpers.h"
#include "language/ClickMemo.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"
#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

using services::Child;

QPointer<QWidget> HostForm;
bool IncludeModulesReady = false;
bool AddonSwitch = false;
std::string MinimumWindowsText;
QPointer<QWidget> IncludePanel;

const ProgramValues startUpValues([] {
    HostForm = nullptr;
    IncludeModulesReady = false;
    AddonSwitch = false;
    MinimumWindowsText.clear();
    IncludePanel = nullptr;
});

bool InitIncludeModules(bool languageDumpFlag, bool stopIfRunning, QWidget* includePanel, WindowHandle ownerHandle,
                        QWidget* ownerForm, const std::string& locationArgument, bool addonSwitch, bool locationFlag) {
    bool result = false;
    std::string code = "UIF.007-01";
    auto step = [&](const char* number) { code = std::string("UIF.007-") + number; };
    Guard(code, [&] {
        step("01");
        result = false;
        AddonSwitch = addonSwitch;
        AddonWindowShown = false;
        LanguageChosen = false;
        ErrorReportingOff = false;
        BusyFlag = false;
        TempDirCache.clear();
        ChecksStarted = false;
        MinimumWindowsText = "98";
        IncludePanel = includePanel;
        CallingProgramName = kProductName;
        VersionText = kProgramVersionTag;
        AuthorAddress = kDeveloperAddress;
        ExternalErrorLogPath.clear();
        SetAddonWindowServices({ShowAddOnWindow, SetupHelpButtonFrame, RefreshHelpButtonMenu});
        // Before the first language is loaded: the carrier frame hands every translation of the
        // status texts to the new-version check.
        SetUpdateStatusTextsHandler(TakeTranslatedStatusTexts);

        step("02");
        TimerUCNV = Child<QTimer>(IncludePanel, "TimerUCNV");
        TimerUCAC = Child<QTimer>(IncludePanel, "TimerUCAC");
        TimerUTZMSG = Child<QTimer>(IncludePanel, "TimerUTZMSG");
        const std::string buildTag = platform::AsciiLower(kBuildTag);
        if (buildTag == "2k") MinimumWindowsText = "2000";
        if (buildTag == "xp") MinimumWindowsText = "XP";

        step("03");
        if (!IsWindowsAtLeast("2k")) {
            ErrorReportingOff = true;
            result = true;
            if (StartMessagesAllowed) {
                ShowFormModal(false, nullptr, [] {
                    auto* window = new TUFormNotSupportedOS();
                    window->setWindowTitle(QStringLiteral("%1 %2...").arg(kProductName, kProgramVersionTag));
                    window->Memo2->setPlainText(QStringLiteral("%1 Version: %2").arg(kProductName, kProgramVersionTag));
                    const QString minimum = QString::fromStdString(MinimumWindowsText);
                    window->Memo3->setPlainText(QString::fromUtf8("Предназначена для Windows ") + minimum +
                                                QString::fromUtf8(" и выше.") + "\n" + "For Windows " + minimum +
                                                " and high.");
                    return static_cast<QWidget*>(window);
                });
                // However the window ended (closed, or never shown at all), the run ends as its
                // Ok ends it: the remaining start-up is skipped, so no job would ever end it.
                TerminateApplication();
            }
            return;
        }

        step("04");
        InitSettingsLocation(locationFlag, locationArgument, ownerForm);

        step("08");
        platform::RemoveFileIfPresent(GetSpecialFolder(0) + "/" + kProductName + "/TCounter.ini");
        platform::RemoveFileIfPresent(platform::ExecutableFolder() + "/Resource/TCounter.ini");

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
        InitLanguageProcessor(languageDumpFlag, kProductName, kLanguagePackTag,
                              Child<TClickMemo>(languages, "MChoseLan"), Child<TClickMemo>(languages, "MDefaultlan"),
                              Child<TClickMemo>(languages, "MLanCapt"), Child<TClickMemo>(languages, "MLanProc"));

        step("13");
        IncludeModulesReady = true;
        SetHintPauses(100, -1);
    });
    return result;
}

bool CheckSingleInstanceSafe(bool notify, WindowHandle ownerHandle, QWidget* ownerForm) {
    bool result = true;
    Guard("UIF.006-01", [&] { result = CheckSingleInstance(notify, ownerHandle, ownerForm); });
    return result;
}

void InitWindowLanguage(int mode, QMenu* languageItem, QMenu* helpItem, QAction* helpItem2, QMenu* menu, QMenu* menu2,
                        QWidget* form, QWidget* helpFrame) {
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
        for (QMenu* menu : menusOf(form)) ApplyOwnerDraw(MenuPainter, menu, nullptr);
        for (QFrame* frame : form->findChildren<QFrame*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<TUFrameHlpBtn*>(frame)) continue;
            for (QMenu* menu : menusOf(frame)) ApplyOwnerDraw(MenuPainter, menu, nullptr);
        }
    });
}

void ReloadSettings() {
    Guard("UIF.014-01", [&] {
        AutoUpdateAction(5, reinterpret_cast<std::intptr_t>(HostForm.data()), nullptr);
        ResetAutorunSettings();
        ApplyAutorunMode();
        if (AddonSwitch) LoadParametrsUAC(HostForm);
    });
}

}  // namespace kestrune
