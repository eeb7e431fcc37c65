#include "foundation/UniversalProcedures.h"

#include <cstdio>

#include "foundation/SettingsLocationFlags.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/Quietly.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

std::string AddonsNoticeCaption;
std::string AddonsNoticeText;
std::string AddonsOpenQuestion;
int AutorunMode = 0;
int OtherInstanceCount = 0;
std::array<std::string, 10> OtherInstanceNames;

const ProgramValues procedureValues([] {
    AddonsNoticeCaption.clear();
    AddonsNoticeText.clear();
    AddonsOpenQuestion.clear();
    AutorunMode = 0;
    OtherInstanceCount = 0;
    OtherInstanceNames = {};
});

void RemoveTrayIcon() {
    // The program adds no notification-area icon of its own, so there is none to remove.
}

std::string DurationText(std::int64_t milliseconds) {
    std::string text;
    Quietly([&] {
        constexpr std::int64_t kDay = 86400000;
        constexpr std::int64_t kTickSpan = std::int64_t{1} << 32;
        if (milliseconds < 0) milliseconds += kTickSpan;
        if (milliseconds < 0) milliseconds = 0;
        const std::int64_t days = milliseconds / kDay;
        if (days != 0) text = std::to_string(days) + " days, ";
        const std::int64_t seconds = (milliseconds % kDay) / 1000;
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
        text += clock;
    });
    return text;
}

void DetectSettingsInAppData(const std::string&) {
    Guard("UP.006-06", [&] {
        UseAppData = false;
        if (MustSetFilesInAppData) {
            UseAppData = true;
            return;
        }
        if (platform::FileAgeReadable(GetSpecialFolder(0) + "/" + kProductName + "/UAUSettings.ini")) UseAppData = true;
    });
}

namespace {
void DeleteAutorunFile() {
    const std::string path = platform::ExecutableFolder() + "/Settings/UARSettings.ini";
    if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
}
}  // namespace

void ResetAutorunSettings() {
    Guard("UP.006-02", [&] {
        AutorunMode = 0;
        DeleteAutorunFile();
    });
}

void DeleteAutorunSettings() {
    Guard("UP.006-03", [&] { DeleteAutorunFile(); });
}

}  // namespace kestrune
