#include "host/ProgramBlock.h"

#include <QApplication>
#include <QMenu>
#include <cstdio>
#include <memory>

#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "host/IncludeModules.h"
#include "host/ProgramSettings.h"
#include "host/UnitMain.h"
#include "language/LangProcessor.h"
#include "resources/ProgramIcon.h"

namespace kestrune {
namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

// A P2 or P3 that would reach a path unchecked ends the start before anything is touched.
bool ParametersAreSafe(const std::vector<std::string>& params) {
    auto refuse = [](const char* what, const std::string& value) {
        std::fprintf(stderr, "KV.Kestrune: the %s \"%s\" cannot be used as a file name; "
                             "the start is refused.\n", what, value.c_str());
        return false;
    };
    const std::string p2 = params.size() > 2 ? params[2] : std::string();
    const std::string p3 = params.size() > 3 ? params[3] : std::string();
    if (!IsSafeNameParameter(p2) || (!p2.empty() && IsBlank(p2))) return refuse("program name", p2);
    if (!IsSafeNameParameter(p3)) return refuse("program version", p3);
    return true;
}

// What the host window's unit leaves behind at its end.
void FinalizeUnitMain(bool writeSettings) {
    if (writeSettings) SaveProgramSettings();
    for (std::string* value : {&P1, &P2, &P3, &P5, &P6, &P7, &ProName, &ProVer, &IconPatch, &URLtoFile,
                               &URLtoMSG, &Exe})
        value->clear();
}
}  // namespace

bool IsSafeNameParameter(const std::string& text) {
    // "." would name the product folder itself: its deletion would take every program's settings.
    if (text.find("..") != std::string::npos) return false;
    if (!text.empty() && text.find_first_not_of(" \t.") == std::string::npos) return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) return false;
    }
    return true;
}

int RunProgramBlock(const std::vector<std::string>& params) {
    ResetTermination();
    if (!ParametersAreSafe(params)) return 2;

    QApplication::setApplicationName("KV.Kestrune");
    // Every window without an icon of its own, the error window and the boxes included, shows it.
    QApplication::setWindowIcon(ProgramIcon());
    // Dialogs closing must never end the run; the host window's close does that itself.
    QApplication::setQuitOnLastWindowClosed(false);
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
