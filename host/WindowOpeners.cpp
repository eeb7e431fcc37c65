#include "host/IncludeModules.h"

#include <QScopeGuard>
#include <QWidget>

#include "checks/UFormAutoComponents.h"
#include "foundation/ShellOpen.h"
#include "foundation/core/Guard.h"
#include "host/About.h"
#include "language/LangProcessor.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

void ShowAddOnWindow() {
    Guard("UIF.015-01", [&] {
        const auto activateHost = qScopeGuard([] { BringToFront(HostForm.data()); });
        ShowFormModal<TUFormAutoComponents>(false, nullptr);
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

}  // namespace kestrune
