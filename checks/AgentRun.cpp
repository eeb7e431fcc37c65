#include "checks/AgentRun.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <memory>
#include <set>
#include <utility>

#include "checks/AgentResults.h"
#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Product.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

// Runs in progress. Held by a pointer that is never freed: a run still going when the program
// ends must not be killed by a destructor, the agent finishes on its own.
std::set<QProcess*>& Running() {
    static auto* running = new std::set<QProcess*>();
    return *running;
}

using RunLock = std::shared_ptr<platform::FileLock>;

// Always from the event loop, so a caller never gets its answer inside its own call. A run counts
// as running until its answer has been handed over (process, when given, is then freed); its lock
// goes once the answer has been taken.
void Deliver(const std::string& code, const AgentDoneHandler& done, AgentRunResult result, RunLock lock,
             QProcess* process = nullptr) {
    QTimer::singleShot(0, [code, done, result, process, lock]() mutable {
        if (process) {
            Running().erase(process);
            process->deleteLater();
        }
        if (done) Guard(code, [&] { done(result); });
        lock.reset();
    });
}

// P1: the folder below Application Data that the agent writes into. In the AppData mode that is
// the per-program settings folder this program reads (path kind 2), not the product folder alone.
std::string ResultFolderWord(bool appData) {
    if (appData && !ProgramSettingsFolder.empty()) return ProgramSettingsFolder;
    return kProductName;
}

}  // namespace

std::string AgentFilePath() { return platform::ExecutableFolder() + "\\Resource\\Pellmark"; }

std::string AgentTempFolder() {
    std::string folder = GetSpecialFolder(1);
    const std::string native = platform::NativePath(folder);
    if (!native.empty() && native.front() != '/') {
        folder = QDir::current().absoluteFilePath(QString::fromStdString(native)).toStdString();
        TempDirCache = folder;  // from now on both sides use this one folder
    }
    return folder;
}

int RunningAgentCount() { return static_cast<int>(Running().size()); }

bool StartAgent(const AgentRequest& request, AgentDoneHandler done, std::unique_ptr<platform::FileLock> runLock) {
    const RunLock lock(std::move(runLock));
    bool started = false;
    bool processMade = false;
    Guard(request.code, [&] {
        if (request.prefix.empty()) return;
        // Whatever an earlier run left goes first, also when this run cannot start: a stale flag
        // must never read as this run's answer.
        const std::string temp = AgentTempFolder();
        RemoveAgentFile(temp + "\\" + request.prefix + "_CAC_Ready");
        if (request.modeWord == kAgentVersionMode) {
            RemoveAgentFile(temp + "\\" + request.prefix + "_CNVFalse");
            RemoveAgentFile(temp + "\\" + request.prefix + "_CheckReady");
            const std::string settings = GetProgramPath(2, "");
            RemoveAgentFile(settings + request.prefix + "_CNVTrue.txt");
            RemoveAgentFile(settings + request.prefix + "_CNVTrueEng.txt");
        }
        const std::string agent = AgentFilePath();
        if (request.baseUrl.empty() || !platform::IsRegularFile(agent)) return;

        const std::string location = GetProgramPath(4, "");
        const QStringList arguments{QString::fromStdString(ResultFolderWord(location == "AppData")),
                                    QString::fromStdString(request.prefix), QString::fromStdString(request.baseUrl),
                                    QString::fromStdString(request.modeWord), QString::fromStdString(location)};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : environment.keys())
            if (name.compare(QLatin1String("TEMP"), Qt::CaseInsensitive) == 0) environment.remove(name);
        environment.insert(QStringLiteral("TEMP"), QString::fromStdString(platform::NativePath(temp)));

        auto* process = new QProcess();
        processMade = true;
        process->setProgram(QString::fromStdString(platform::NativePath(agent)));
        process->setArguments(arguments);
        process->setProcessEnvironment(environment);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());

        auto timedOut = std::make_shared<bool>(false);
        auto answered = std::make_shared<bool>(false);
        auto* limit = new QTimer(process);
        limit->setSingleShot(true);
        QObject::connect(limit, &QTimer::timeout, process, [process, timedOut] {
            *timedOut = true;
            process->kill();
        });
        // The lock travels with the answer alone, so it never outlives it in a connection.
        auto lockUntilAnswer = std::make_shared<RunLock>(lock);
        auto finish = [process, done, timedOut, answered, limit, lockUntilAnswer,
                       code = request.code](AgentRunResult result) {
            if (*answered) return;  // the one answer of this run was given
            *answered = true;
            limit->stop();
            if (*timedOut) result = {AgentEnd::TimedOut, -1};
            Deliver(code, done, result, std::exchange(*lockUntilAnswer, nullptr), process);
        };
        QObject::connect(process, &QProcess::finished, process, [finish](int exitCode, QProcess::ExitStatus status) {
            if (status == QProcess::CrashExit) finish({AgentEnd::Failed, -1});
            else finish({exitCode == 0 ? AgentEnd::Finished : AgentEnd::Failed, exitCode});
        });
        QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) finish({AgentEnd::NotStarted, -1});
        });

        Running().insert(process);
        // The agent inherits the run's lock; nothing started later does.
        if (lock) lock->SetInheritable(true);
        process->start(QIODevice::NotOpen);
        if (lock) lock->SetInheritable(false);
        if (*answered) return;  // failed to start: answered already
        limit->start(request.timeLimitMs > 0 ? request.timeLimitMs : kAgentTimeLimitMs);
        started = true;
    });
    // A process that failed to start has answered through its error signal; before one existed
    // (no agent file, no prefix or URL, a failure above) the answer is given here.
    if (!processMade) Deliver(request.code, done, {AgentEnd::NotStarted, -1}, lock);
    return started;
}

}  // namespace kestrune
