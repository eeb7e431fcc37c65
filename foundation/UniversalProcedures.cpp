#include "foundation/UniversalProcedures.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include "foundation/core/Guard.h"
#include "platform/FileSystem.h"

namespace kestrune {

bool BusyFlag = false;
std::string SettingsErrorFormat;
std::string SettingsErrorCaption;
std::string AddonsNoticeCaption;
std::string AddonsNoticeText;
std::string AddonsOpenQuestion;
int AutorunMode = 0;
int OtherInstanceCount = 0;
std::array<std::string, 10> OtherInstanceNames;

// Placeholder bodies until the shared procedures land.
int ShowMessageBox(WindowHandle, const std::string&, const std::string&, const std::string&, unsigned) {
    return 0;
}

bool IsWindowsAtLeast(const std::string&) { return true; }

std::string DurationText(std::int64_t) { return "00:00:00"; }

void DeleteDirectory(const std::string& folder) {
    Guard("UP.008-04", [&] {
        if (folder.empty()) return;
        QDir(QString::fromStdString(platform::NativePath(folder))).removeRecursively();
    });
}

}  // namespace kestrune
