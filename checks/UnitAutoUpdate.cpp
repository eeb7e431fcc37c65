#include "checks/UnitAutoUpdate.h"

#include <QScopeGuard>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <utility>

#include "checks/AgentResults.h"
#include "checks/AgentRun.h"
#include "checks/CheckNewVersion.h"
#include "checks/NewVersionDescription.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/pack/LanguagePack.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"

namespace kestrune {

bool VersionCheckEnabled = false;
int VersionIntervalIndex = 0;
bool VersionCheckOnlineOnly = false;
bool VersionAgentPresent = false;
bool VersionCheckBegun = false;
bool NewVersionAnnounced = false;
bool VersionCheckFailed = false;
std::string UpdateStatusText = " ";

std::string StatusTextNoChecker = "Проверка наличия обновлений: Отсутствует модуль проверки !!!";
std::string StatusTextQuerying = "Проверка наличия обновлений: Запрос данных о новых версиях...";
std::string StatusTextNewVersion = "Проверка наличия обновлений: ВЫШЛА НОВАЯ ВЕРСИЯ ПРОГРАММЫ !!!";
std::string StatusTextUnknown = "Неизвестно";
std::string StatusTextNoNewVersion = "Проверка наличия обновлений: Новые версии отсутствуют [ %s ]";
std::string StatusTextDisabled = "Проверка наличия обновлений: Отключено";
std::string StatusTextFailed = "Проверка наличия обновлений: Не удалось выполнить проверку [ %s ]";

namespace {

bool AgentRunEnded = false;  // this program's last agent run has answered
bool AgentRunning = false;   // an agent run of this program is going
int AgentRunNumber = 0;      // the last agent run started; an earlier run's answer is no answer

// The status texts as built in; a language pack replaces them while the program runs.
const std::array<std::string, 7> statusTextsAtStart{StatusTextNoChecker, StatusTextQuerying,     StatusTextNewVersion,
                                                    StatusTextUnknown,   StatusTextNoNewVersion, StatusTextDisabled,
                                                    StatusTextFailed};

const ProgramValues updateValues([] {
    VersionCheckEnabled = false;
    VersionIntervalIndex = 0;
    VersionCheckOnlineOnly = false;
    VersionAgentPresent = false;
    VersionCheckBegun = false;
    NewVersionAnnounced = false;
    VersionCheckFailed = false;
    UpdateStatusText.assign(1, ' ');
    std::string* texts[] = {&StatusTextNoChecker,    &StatusTextQuerying, &StatusTextNewVersion, &StatusTextUnknown,
                            &StatusTextNoNewVersion, &StatusTextDisabled, &StatusTextFailed};
    for (std::size_t i = 0; i < statusTextsAtStart.size(); ++i) *texts[i] = statusTextsAtStart[i];
    AgentRunEnded = false;
    AgentRunning = false;
    AgentRunNumber = 0;
});

std::string Settings(const std::string& suffix) { return VersionCheckFile(suffix); }
std::string Temp(const std::string& suffix) { return GetProgramPath(0, FilePrefix + suffix); }

bool IsRussian() { return platform::AsciiLower(CurrentLanguage) == "russian"; }

// The check that could not be made is remembered beside the descriptions until the next check
// begins, so a later start shows it as failed instead of "no new versions" of that date. The agent
// leaves the same marker when its run fails after this program has ended.
constexpr const char* kFailedMarker = "_CheckFailed";

// The marker says all by being there, so one that stands already is left as it is: a start whose
// check fails again writes nothing.
void LeaveFailedMarker() {
    const std::string marker = Settings(kFailedMarker);
    if (platform::FileAgeReadable(marker)) return;
    // A marker that cannot be written (the settings folder refuses writes) leaves the failure known
    // to this run alone; the settings files' own writes report such a folder.
    [[maybe_unused]] const platform::IoResult marked = platform::WriteFileAtomic(marker, "");
}

void MarkCheckFailed() {
    VersionCheckFailed = true;
    LeaveFailedMarker();
}

// One agent run of this program's files at a time, among all its copies: the copy that starts a
// run holds this lock from before the run's files are cleared to the run's end, and the agent
// inherits it, so it stays held while the agent runs, also when the agent outlives the copy that
// started it. A copy that judges the results holds it while it judges. So no copy ever reads,
// judges or deletes the files of a run that is still going, and a run's results are acted on by
// one copy at a time. A copy whose check is due while another copy's run is going starts none:
// that run's answer is its answer.
constexpr const char* kRunLock = "_CheckRun.lock";
// A copy that judges holds the lock for moments: a start or a judge waits that long for it.
constexpr int kRunLockWaitMs = 200;

bool JudgingUnderLock = false;  // this copy holds the lock to judge: no run is going

// A run is going, this copy's own included, or another copy is judging.
bool RunGoing() { return !JudgingUnderLock && platform::IsFileLocked(Settings(kRunLock)); }

// A marker of an earlier run counts only while the check is on: a check switched off since shows
// as switched off.
bool CheckFailed() {
    return VersionCheckFailed || (VersionCheckEnabled && platform::FileAgeReadable(Settings(kFailedMarker)));
}

void OnAgentEnded(int run, const AgentRunResult& result) {
    if (run != AgentRunNumber) return;
    AgentRunEnded = true;
    AgentRunning = false;
    if (!result.ok()) MarkCheckFailed();
}

// The description the reader reads: the Russian one for Russian, the English twin for English,
// and for a third language the one its new-version language setting picks.
std::string ReaderDescriptionSuffix() {
    if (IsRussian()) return "_CNVTrue.txt";
    if (platform::AsciiLower(CurrentLanguage) == "english" || DefaultNewVersionLanguage) return "_CNVTrueEng.txt";
    return "_CNVTrue.txt";
}

void DeleteDescriptions() {
    RemoveAgentFile(Settings("_CNVTrue.txt"));
    RemoveAgentFile(Settings("_CNVTrueEng.txt"));
}

}  // namespace

std::string VersionCheckFile(const std::string& suffix) { return GetProgramPath(2, "") + FilePrefix + suffix; }

bool FormatStatusText(const std::string& format, const std::string& value, std::string& result) {
    std::size_t kept = 0;
    std::string text = FillPlaceholders(format, {value}, "s", &kept);
    if (kept != 0) return false;
    result = std::move(text);
    return true;
}

void TakeTranslatedStatusTexts(const UpdateStatusTexts& texts, const std::string& previousQuerying) {
    Guard("AUT.001-01", [&] {
        // A line that showed the querying text keeps saying so, in the new language.
        const bool querying = !previousQuerying.empty() && UpdateStatusText == " " + previousQuerying;
        StatusTextNoChecker = texts.noChecker;
        StatusTextQuerying = texts.querying;
        StatusTextNewVersion = texts.newVersion;
        StatusTextUnknown = texts.unknown;
        StatusTextNoNewVersion = texts.noNewVersion;
        StatusTextDisabled = texts.disabled;
        // The failed-check text has no carrier label: it follows the language by hand.
        StatusTextFailed = IsRussian() ? "Проверка наличия обновлений: Не удалось выполнить проверку [ %s ]"
                                       : "Update check: the check could not be made [ %s ]";
        UpdateCheckStatusText(!querying);
    });
}

void AutoUpdateAction(int action, std::intptr_t arg, QTimer* timer) {
    Guard("UAU.004-01", [&] {
        switch (action) {
            case 0:
                if (!IsCheckResultReady()) return;
                if (timer) timer->stop();
                UpdateCheckStatusText(true);
                ShowNewVersionIfAny();
                return;
            case 1:
                if (BeginVersionCheck(timer, static_cast<int>(arg))) {
                    UpdateCheckStatusText(false);
                    return;
                }
                break;
            case 2:
                if (timer) timer->stop();
                ShowNewVersionIfAny();
                return;
            case 3:
                NewVersionAnnounced = false;
                ShowNewVersionIfAny();
                break;
            case 4: SaveSettingsUAU(); break;
            case 5: LoadSettingsUAU(reinterpret_cast<WindowHandle>(arg)); break;
            default: break;
        }
        UpdateCheckStatusText(true);
    });
}

bool BeginVersionCheck(QTimer* timer, int manual) {
    bool result = false;
    std::string code = "UAU.012-01";
    Guard(code, [&] {
        if (!VersionAgentPresent) return;
        code = "UAU.012-02";
        if (VersionCheckBegun) return;
        code = "UAU.012-03";
        VersionCheckBegun = true;
        if (platform::FileAgeReadable(Settings("_CNVTrue.txt"))) {
            code = "UAU.012-04";
            if (platform::FileAgeReadable(Settings("_CheckTrue"))) {
                UpdateCheckStatusText(true);
                return;
            }
            if (timer) timer->start();
            result = true;
            return;
        }
        if (manual != 1 && !IsCheckDue(FilePrefix, VersionIntervalIndex)) return;
        if (timer) timer->start();
        if (manual == 0 && VersionCheckOnlineOnly && !IsInternetConnected()) {
            if (timer) timer->setInterval(10000);
            return;
        }
        StartVersionCheck(manual);
        result = true;
        if (timer) timer->setInterval(500);
    });
    return result;
}

void StartVersionCheck(int manual) {
    Guard("UAU.011-001", [&] {
        if (!VersionCheckEnabled && manual == 0) {
            // Nothing runs: the poll takes that as the answer at its next tick instead of showing
            // "querying" until the program ends.
            AgentRunEnded = true;
            return;
        }
        const std::string folder = GetProgramPath(2, "");
        platform::CreateDirectories(folder);
        VersionCheckFailed = false;
        auto lock = std::make_unique<platform::FileLock>(Settings(kRunLock), kRunLockWaitMs);
        if (lock->state() == platform::FileLock::State::Busy) {
            // Another copy's run is going: once no run is going, what it left is the answer.
            AgentRunEnded = true;
            UpdateCheckStatusText(false);
            return;
        }
        // A lock file that cannot be had at all (a folder that takes no file) leaves the run unguarded.
        if (!lock->held()) lock.reset();
        AgentRunEnded = false;
        // The run stands as unanswered until the agent gives a positive answer, which removes the
        // marker: a run whose agent is killed before it even begins, or that never starts, reads
        // as a check that could not be made, not as "no new versions".
        LeaveFailedMarker();
        if (!CheckUrl.empty() && !FilePrefix.empty()) {
            if (!WriteLastCheckFile(FilePrefix)) {
                // Reported before any agent runs; the poll then ends at once as a failed check.
                MarkCheckFailed();
                AgentRunEnded = true;
                throw std::runtime_error("cannot write " + LastCheckFilePath(FilePrefix));
            }
        }
        // An empty URL or prefix starts nothing: the starter answers at once that no agent ran.
        AgentRunning = true;
        const int run = ++AgentRunNumber;
        StartAgent(
            {FilePrefix, CheckUrl, kAgentVersionMode, kAgentTimeLimitMs, "UAU.011-001"},
            [run](const AgentRunResult& result) { OnAgentEnded(run, result); }, std::move(lock));
        UpdateCheckStatusText(false);
    });
}

bool IsCheckResultReady() {
    bool ready = false;
    Guard("UAU.006-01", [&] {
        // While an agent run of this program is going, only its end tells how the check went: the
        // agent leaves its ready flag after a failed transfer too, a moment before it exits, and
        // that flag without a description would read as "no new versions".
        if (AgentRunning) return;
        // Another copy's run is going (or another copy is judging): its files are not whole yet.
        if (RunGoing()) return;
        // The end of this program's agent run (one that failed may leave no flag), the ready flag,
        // or a description left by an earlier check (published after its twin, so complete).
        ready = AgentRunEnded || AgentFlagPresent(Temp("_CheckReady")) ||
                platform::FileAgeReadable(Settings("_CNVTrue.txt"));
    });
    return ready;
}

namespace {

// Judges the latest run's results, under the run lock: takes the no-new-version flag, removes a
// description that announces nothing, and answers whether the description is one to announce.
bool JudgeResults() {
    if (AgentFlagPresent(Temp("_CNVFalse"))) {
        RemoveAgentFile(Temp("_CNVFalse"));
        return false;
    }
    const std::string description = Settings(ReaderDescriptionSuffix());
    if (!platform::FileAgeReadable(description)) {
        // The maker published no text in the reader's language: the description alone is of
        // no use to this reader and would hold every later check back. It goes, so the next
        // check, when due, starts clean (and finds the reader's text once it is published).
        if (platform::FileAgeReadable(Settings("_CNVTrue.txt"))) {
            DeleteDescriptions();
            MarkCheckFailed();
            UpdateCheckStatusText(true);
        }
        return false;
    }
    if (platform::FileAgeReadable(Settings("_CheckTrue"))) return false;
    if (!ResultHasBody(description)) {
        RemoveAgentFile(description);
        UpdateCheckStatusText(true);
        return false;
    }
    // A description that is not one (too few lines, no size, too large, not a file) or that
    // names a version not newer than this one announces nothing and is removed.
    const DescriptionCheck verdict = CheckDescriptionFile(description);
    // Gone since it was found (a run without the lock, or the window's own clean-up): nothing is
    // left to judge.
    if (verdict == DescriptionCheck::Missing) {
        UpdateCheckStatusText(true);
        return false;
    }
    if (verdict != DescriptionCheck::Newer) {
        DeleteDescriptions();
        if (verdict == DescriptionCheck::Unusable) MarkCheckFailed();
        UpdateCheckStatusText(true);
        return false;
    }
    return true;
}

}  // namespace

void ShowNewVersionIfAny() {
    Guard("UAU.007-01", [&] {
        if (NewVersionAnnounced) return;
        // This copy's run is going: its end brings the judgement.
        if (AgentRunning) return;
        // Nothing to judge: no lock is taken (nor its file made).
        if (!AgentFlagPresent(Temp("_CNVFalse")) && !platform::FileAgeReadable(Settings("_CNVTrue.txt")) &&
            !platform::FileAgeReadable(Settings("_CNVTrueEng.txt")))
            return;
        bool announce = false;
        {
            platform::FileLock lock(Settings(kRunLock), kRunLockWaitMs);
            // A run is going: its files are not its answer yet. The copy whose run it is, or the
            // next start, judges them once it has ended.
            if (lock.state() == platform::FileLock::State::Busy) return;
            JudgingUnderLock = true;
            const auto judged = qScopeGuard([] { JudgingUnderLock = false; });
            announce = JudgeResults();
        }
        // The window is shown without the lock: a run may begin while it is open.
        if (!announce) return;
        NewVersionAnnounced = true;
        if (SuppressCheckWindows) return;
        ShowNewVersionWindow();
        // The window's "do not remind" or a bad size line may have changed the files.
        UpdateCheckStatusText(true);
    });
}

void UpdateCheckStatusText(bool done) {
    Guard("UAU.009-01", [&] {
        std::string text;
        if (!VersionAgentPresent) {
            text = StatusTextNoChecker;
        } else if (!done || AgentRunning || (platform::FileAgeReadable(Settings(kFailedMarker)) && RunGoing())) {
            // The agent's failure marker stands while its run lasts: only the run's end tells,
            // also when the run is another copy's (or outlives the copy that started it).
            text = StatusTextQuerying;
        } else if (CheckDescriptionFile(Settings("_CNVTrue.txt")) == DescriptionCheck::Newer) {
            text = StatusTextNewVersion;
        } else if (const bool failed = CheckFailed(); VersionCheckEnabled || failed) {
            std::string date = LastCheckDateText(FilePrefix);
            if (date.empty()) date = StatusTextUnknown;
            const std::string& format = failed ? StatusTextFailed : StatusTextNoNewVersion;
            if (!FormatStatusText(format, date, text))
                throw std::runtime_error("the status text is not a format of one text: " + format);
        } else {
            text = StatusTextDisabled;
        }
        UpdateStatusText = " " + text;
    });
}

void LoadSettingsUAU(WindowHandle owner) {
    Guard("UAU.002-01", [&] {
        // The stored values are read also without the agent: every save writes them back, and
        // values never read would replace the user's settings with the start values.
        VersionAgentPresent = platform::IsRegularFile(AgentFilePath());
        if (!OpenSettingsFile("UAUSettings", "01.00")) {
            VersionCheckEnabled = true;
            VersionIntervalIndex = 2;
            VersionCheckOnlineOnly = true;
            return;
        }
        VersionCheckEnabled = ReadSettingBool("Settings", "UUCheckEnabled", true);
        VersionIntervalIndex = ReadSettingInteger("Settings", "UIntervalAUCheck", 2, 0, 6);
        VersionCheckOnlineOnly = ReadSettingBool("Settings", "UCheckInet", true);
        CloseSettingsFile(owner);
    });
}

void SaveSettingsUAU() {
    Guard("UAU.003-01", [&] {
        CreateSettingsFile("UAUSettings", "01.00", "UAutoUpdate Settings File");
        WriteSettingBool("Settings", "UUCheckEnabled", VersionCheckEnabled);
        WriteSettingInteger("Settings", "UIntervalAUCheck", VersionIntervalIndex);
        WriteSettingBool("Settings", "UCheckInet", VersionCheckOnlineOnly);
        CloseSettingsFile(nullptr);
    });
}

bool IsInternetConnected() { return platform::NetworkConnected(); }

void DeleteCheckFlags() {
    Guard("UAU.001-01", [&] {
        // The flags of a run still going are that run's answer to come.
        if (RunGoing()) return;
        RemoveAgentFile(Temp("_CNVFalse"));
        RemoveAgentFile(Temp("_CheckReady"));
    });
}

}  // namespace kestrune
