#include "checks/AddonCheck.h"

#include <QScopeGuard>
#include <QTimer>
#include <stdexcept>

#include "checks/AddonList.h"
#include "checks/AgentRun.h"
#include "checks/NewVersionRunState.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

std::string AddonListUrl = "http://kestrune.example.org/Components/";
bool AddonHelperPresent = false;
bool AddonCheckEnabled = true;
int AddonIntervalIndex = 2;
bool AddonCheckOnlineOnly = true;
bool AddonWindowShown = false;
QPointer<QTimer> TimerUCAC;
AddonListWindow* ShownAddonWindow = nullptr;

namespace {

// A list larger than this is no list of add-ons.
constexpr std::size_t kAddonListLimit = 1024 * 1024;
constexpr std::size_t kInstalledListLimit = 1024 * 1024;

AddonWindowServices Services;
int AddonAgentRun = 0;           // the last agent run started
bool AddonAgentRunning = false;  // that run has not answered yet

const ProgramValues addonValues([] {
    AddonListUrl = "http://kestrune.example.org/Components/";
    AddonHelperPresent = false;
    AddonCheckEnabled = true;
    AddonIntervalIndex = 2;
    AddonCheckOnlineOnly = true;
    AddonWindowShown = false;
    TimerUCAC = nullptr;
    ShownAddonWindow = nullptr;
    AddonAgentRun = 0;
    AddonAgentRunning = false;
});

std::string SettingsFile(const std::string& suffix) { return GetProgramPath(2, "") + kAddonPrefix + suffix; }
std::string NewListPath() { return SettingsFile(".ini"); }
std::string AcceptedListPath() { return SettingsFile("_UAC.ini"); }
std::string ReadyFlagPath() { return GetProgramPath(0, std::string(kAddonPrefix) + "_CAC_Ready"); }

// A run of the agent that ends without its ready flag would leave the timer polling for good.
void AgentEnded(int run, const AgentRunResult& result) {
    Guard("UAC.014-01", [&] {
        if (run != AddonAgentRun) return;
        AddonAgentRunning = false;
        if (result.ok() || AgentFlagPresent(ReadyFlagPath())) return;
        if (TimerUCAC && TimerUCAC->isActive() && TimerUCAC->interval() == 500) TimerUCAC->stop();
        if (AddonWindowShown && ShownAddonWindow) ShownAddonWindow->CheckEndChecked();
    });
}

}  // namespace

void SetAddonWindowServices(AddonWindowServices services) { Services = std::move(services); }
const AddonWindowServices& CurrentAddonWindowServices() { return Services; }

AgentResultText ReadAcceptedAddonList() { return ReadAgentResult(AcceptedListPath(), kAddonListLimit); }

std::string InstalledAddonList() {
    std::string text;
    Guard("UAC.006-02", [&] {
        const std::string path = platform::ExecutableFolder() + "\\Resource\\InstallComponents.ini";
        if (!platform::FileAgeReadable(path)) return;
        const auto bytes = platform::ReadRegularFileLimited(path, kInstalledListLimit);
        if (!bytes) throw std::runtime_error("InstallComponents.ini cannot be read.");
        text = *bytes;
    });
    return text;
}

AddonStatus AddonStatusFor(int mode, bool checkAtStart) {
    if (!AddonHelperPresent) return AddonStatus::NoAgent;
    if (mode == 0) return AddonStatus::Checking;
    return checkAtStart ? AddonStatus::LastCheck : AddonStatus::Off;
}

void LoadParametrsUAC(WindowHandle owner) {
    Guard("UAC.011-01", [&] {
        if (!platform::IsRegularFile(AgentFilePath())) {
            AddonHelperPresent = false;
            return;
        }
        AddonHelperPresent = true;
        if (!OpenSettingsFile("UACSettings", "01.00")) {
            AddonCheckEnabled = true;
            AddonIntervalIndex = 2;
            AddonCheckOnlineOnly = true;
            return;
        }
        const auto close = qScopeGuard([owner] { CloseSettingsFile(owner); });
        AddonCheckEnabled = ReadSettingBool("Settings", "UCCheckEnabled", true);
        AddonIntervalIndex = ReadSettingInteger("Settings", "UIntervalAUCheck", 2, 0, 6);
        AddonCheckOnlineOnly = ReadSettingBool("Settings", "UCheckInet", true);
    });
}

void SaveSettingsUAC() {
    Guard("UAC.012-01", [&] {
        const auto close = qScopeGuard([] { CloseSettingsFile(nullptr); });
        CreateSettingsFile("UACSettings", "01.00", "UAutoComponents Settings File");
        WriteSettingBool("Settings", "UCCheckEnabled", AddonCheckEnabled);
        WriteSettingInteger("Settings", "UIntervalAUCheck", AddonIntervalIndex);
        WriteSettingBool("Settings", "UCheckInet", AddonCheckOnlineOnly);
    });
}

void LaunchCheckUAC(bool manual) {
    Guard("UAC.014-01", [&] {
        if (!manual && !IsCheckDue(kAddonPrefix, AddonIntervalIndex)) return;
        if (TimerUCAC) TimerUCAC->setInterval(500);
        if (!WriteLastCheckFile(kAddonPrefix)) throw std::runtime_error("The last-check file cannot be written.");
        // The starter removes the ready flag of an earlier run first.
        const int run = ++AddonAgentRun;
        AddonAgentRunning = true;
        StartAgent({kAddonPrefix, AddonListUrl, kAgentListMode, kAgentTimeLimitMs, "UAC.014-01"},
                   [run](const AgentRunResult& result) { AgentEnded(run, result); });
        if (TimerUCAC) TimerUCAC->start();
    });
}

bool CheckNewFile() {
    bool result = false;
    Guard("UAC.017-01", [&] {
        const std::string newList = NewListPath();
        if (!platform::FileAgeReadable(newList)) return;
        const AgentResultText list = ReadAgentResult(newList, kAddonListLimit);
        const NewListState state =
            list.read() ? JudgeNewList(list.text, StoredLineCount(list.text)) : NewListState::Unusable;
        // A list still being written stays to be looked at again; one that can never be a list goes.
        if (state == NewListState::Incomplete) return;
        if (state == NewListState::Unusable) {
            RemoveAgentFile(newList);
            return;
        }
        RemoveAgentFile(AcceptedListPath());
        if (!CopyFileTo(newList, GetProgramPath(2, ""), std::string(kAddonPrefix) + "_UAC.ini", false))
            throw std::runtime_error("The new add-on list could not be accepted.");
        RemoveAgentFile(newList);
        if (AddonWindowShown && ShownAddonWindow) {
            ShownAddonWindow->NullText();
            ShownAddonWindow->CreateTreeView();
            ShowMessageBox(ShownAddonWindow->Widget(), AddonsNoticeText, AddonsNoticeCaption, "info", kMbOk);
            return;
        }
        const int answer = ShowMessageBox(nullptr, AddonsNoticeText + "\r\n\r\n" + AddonsOpenQuestion,
                                          AddonsNoticeCaption, "info", kMbYesNo);
        result = answer == kIdYes && !AddonWindowShown;
    });
    return result;
}

void CheckEndCheckedWF() {
    Guard("UAC.018-01", [&] {
        if (Services.showWindow) Services.showWindow();
    });
}

void TimerUCACTimer() {
    if (!TimerUCAC) return;
    if (TimerUCAC->interval() == 500) {
        // The new-version window's modal loop is running: the list waits until it closes. The list
        // is judged only once the agent's run has ended, never on its ready flag alone.
        if (NewVersionWindowOpen || AddonAgentRunning || !AgentFlagPresent(ReadyFlagPath())) return;
        TimerUCAC->stop();
        const bool open = CheckNewFile();
        if (AddonWindowShown && ShownAddonWindow) ShownAddonWindow->CheckEndChecked();
        if (open) CheckEndCheckedWF();
        return;
    }
    // A check switched off while it waited for a connection ends there: it starts no agent.
    if (!AddonCheckEnabled) {
        TimerUCAC->stop();
        TimerUCAC->setInterval(500);
        return;
    }
    if (!IsInternetConnected() && AddonCheckOnlineOnly) return;
    LaunchCheckUAC(false);
    TimerUCAC->setInterval(500);
}

}  // namespace kestrune
