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
#include "foundation/core/PathNames.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "foundation/core/SystemFolders.h"
#include "host/IncludeModules.h"
#include "host/OwnerDrawMenus.h"
#include "host/ProgramSettings.h"
#include "host/UnitMain.h"
#include "language/LangProcessor.h"
#include "platform/Executable.h"
#include "platform/Registry.h"
#include "resources/ProgramIcon.h"

namespace kestrune {
namespace {

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
    for (std::string* value :
         {&P1, &P2, &P3, &P5, &P6, &P7, &ProName, &ProVer, &IconPatch, &URLtoFile, &URLtoMSG, &Exe})
        value->clear();
}
}  // namespace

std::string StartRefusal(const CallerValue& name, const CallerValue& version, const std::vector<CallerValue>& texts) {
    const std::string refused = "; the start is refused.";
    for (const CallerValue* part : {&name, &version}) {
        if (part->value.empty()) continue;
        const std::string fault = PathNameFault(part->value);
        if (!fault.empty())
            return "KV.Kestrune: the " + part->label + " \"" + Printable(part->value) +
                   "\" cannot be used as a file name: it " + fault + refused;
    }
    for (const CallerValue& text : texts)
        if (HasControlCharacter(text.value))
            return "KV.Kestrune: the " + text.label + " \"" + Printable(text.value) + "\" holds a control character" +
                   refused;

    // The file prefix "name_version" begins the names of the online checks' files in the
    // settings folder and in TEMP; the name is a folder under Application Data as well.
    const std::size_t longestFile = name.value.size() + 1 + version.value.size() + kLongestPrefixSuffix;
    const std::string both = "the " + name.label + " and the " + version.label;
    if (longestFile > kMaxNameBytes)
        return "KV.Kestrune: " + both + " make file names longer than a file name may be" + refused;
    const std::string folders[] = {GetSpecialFolder(0) + "\\KV.Kestrune\\" + name.value,
                                   platform::ExecutableFolder() + "\\Settings", GetSpecialFolder(1)};
    for (const std::string& folder : folders)
        if (!FitsInPath(folder, longestFile))
            return "KV.Kestrune: " + both + " make paths longer than the system allows, in \"" + Printable(folder) +
                   "\"" + refused;
    return {};
}

int RunProgramBlock(const std::vector<std::string>& params) {
    ResetTermination();
    // A registry store that cannot be used is told of once, and the start goes on without it.
    platform::SetRegistryNoticeHandler([](const std::string& text) {
        std::fprintf(stderr, "KV.Kestrune: the registry store %s; it is left as it is.\n", Printable(text).c_str());
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
    if (host->UninstallStart) {
        FinalizeUnitMain(false);
        return 0;
    }
    if (host->StartRefused) {
        FinalizeUnitMain(false);
        return TerminationStatus();
    }
    if (!TerminateRequested()) host->show();
    if (!TerminateRequested()) QApplication::exec();
    host.reset();
    FinalizeUnitMain(true);
    return TerminationStatus();
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
        std::fprintf(stderr, "KV.Kestrune: the program could not start.\n");
        return 1;
    }
}

}  // namespace kestrune
