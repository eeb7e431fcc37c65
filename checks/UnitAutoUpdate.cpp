#include "checks/UnitAutoUpdate.h"

#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "platform/FileSystem.h"

namespace kestrune {

bool VersionCheckEnabled = false;
bool VersionCheckOnlineOnly = false;
std::string UpdateStatusText = " ";

const ProgramValues updateValues([] {
    VersionCheckEnabled = false;
    VersionCheckOnlineOnly = false;
    UpdateStatusText.assign(1, ' ');
});

// Placeholder until the new-version check lands: no check is ever begun.
void AutoUpdateAction(int, std::intptr_t, QTimer*) {
    Guard("UAU.004-01", [&] {});
}

// Placeholder until the new-version check lands.
void UpdateCheckStatusText(bool) {}

// Placeholder until the new-version check lands: the computer counts as offline.
bool IsInternetConnected() { return false; }

void DeleteCheckFlags() {
    Guard("UAU.001-01", [&] {
        for (const char* flag : {"_CNVFalse", "_CheckReady"}) {
            const std::string path = GetProgramPath(0, FilePrefix + flag);
            if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
        }
    });
}

}  // namespace kestrune
