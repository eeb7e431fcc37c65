#include "host/ProgramBlock.h"

#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <cstdio>
#include <memory>

#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/ReturnKey.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/FolderTree.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "host/CallerValues.h"
#include "host/IncludeModules.h"
#include "host/OwnerDrawMenus.h"
#include "host/ProgramSettings.h"
#include "host/UnitMain.h"
#include "language/LangProcessor.h"
#include "platform/Registry.h"
#include "resources/ProgramIcon.h"

namespace kestrune {
namespace {

// The exit status of a run that could not remove everything it was to remove.
constexpr int kRemovalFailedStatus = 3;

// The command line is checked before anything is created or deleted.
bool ParametersAreSafe(const std::vector<std::string>& params) {
    auto parameter = [&](std::size_t index) { return index < params.size() ? params[index] : std::string(); };
    const std::string refusal =
        StartRefusal({"program name (parameter 2)", parameter(2)}, {"program version (parameter 3)", parameter(3)},
                     {{"icon file (parameter 5)", parameter(5)},
                      {"address or path (parameter 6)", parameter(6)},
                      {"address or path (parameter 7)", parameter(7)}});
    if (refusal.empty()) return true;
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return false;
}

// What the host window's unit leaves behind at its end.
void FinalizeUnitMain(bool writeSettings) {
    if (writeSettings) SaveProgramSettings();
    ResetProgramSettingsState();
    ClearCallerValues();
}
}  // namespace

int RunProgramBlock(const std::vector<std::string>& params) {
    ResetTermination();
    // A registry store that cannot be used is told of once, and the start goes on without it.
    platform::SetRegistryNoticeHandler([](const std::string& text) {
        std::fprintf(stderr, "%s: the registry store %s; it is left as it is.\n", kProductName,
                     Printable(text).c_str());
    });
    if (!ParametersAreSafe(params)) return 2;

    // Unit initializations: the menu painter lives until every window of the run is gone.
    RyMenusInitialization();
    const auto menusFinalization = qScopeGuard([] { RyMenusFinalization(); });

    QApplication::setApplicationName(kProductName);
    // Every window without an icon of its own, the error window and the boxes included, shows it.
    QApplication::setWindowIcon(ProgramIcon());
    // Dialogs closing must never end the run; the host window's close does that itself.
    QApplication::setQuitOnLastWindowClosed(false);
    MakeReturnClickTheFocusedButton();
    InstallErrorProcessor();
    InstallFolderTreeEventHook();
    // The error window's help button and tray icon belong to the host's services.
    SetErrorWindowHooks({[](QWidget* helpFrame) { SetupHelpButtonFrame(helpFrame, HelpMenuItem.data()); },
                         [] { RefreshHelpButtonMenu(HelpMenuItem.data()); }, [] { RemoveTrayIcon(); }});
    // Windows shown through ShowFormModal are captured and translated like every other window.
    SetFormTranslationHook([](QWidget* form) {
        CaptureFormTexts(0, form);
        TranslateForm(0, form);
    });

    auto host = std::make_unique<TFormKestrune>(params);
    // A folder that could not be removed (uninstall, the move into Application Data) was shown
    // in the error window; the calling program learns it from the status.
    if (host->UninstallStart) {
        FinalizeUnitMain(false);
        return FolderRemovalFailed ? kRemovalFailedStatus : 0;
    }
    if (host->StartRefused) {
        FinalizeUnitMain(false);
        return TerminationStatus();
    }
    if (!TerminateRequested()) host->show();
    if (!TerminateRequested()) QApplication::exec();
    host.reset();
    FinalizeUnitMain(true);
    const int status = TerminationStatus();
    return status == 0 && FolderRemovalFailed ? kRemovalFailedStatus : status;
}

int KestruneMain(int argc, char** argv) {
    try {
        // The positional parameters are copied before Qt sees the command line, and Qt is given
        // none of them: a caller may pass any text, "-style" or "-platform" included.
        const std::vector<std::string> params(argv, argv + argc);
        int qtArgc = 1;
        char* qtArgv[] = {argv[0], nullptr};
        QApplication application(qtArgc, qtArgv);
        return RunProgramBlock(params);
    } catch (...) {
        std::fprintf(stderr, "%s: the program could not start.\n", kProductName);
        return 1;
    }
}

}  // namespace kestrune
