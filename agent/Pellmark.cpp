#include "agent/Pellmark.h"

#include <csignal>

#include "agent/AgentFiles.h"
#include "agent/Download.h"
#include "foundation/core/Guard.h"
#include "foundation/core/PathNames.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace pellmark {

namespace {

// A folder the agent may write into: a native absolute path. An empty or relative answer of the
// registry or the environment would put the files at the root or in the working folder.
bool IsUsableFolder(const std::string& folder) {
    return !folder.empty() && platform::NativePath(folder).front() == '/';
}

struct Run {
    Parameters parameters;
    std::string resultFolder;  // R
    std::string flagFolder;    // T
    std::string encodedPrefix;
    Limits limits;

    std::string Result(const char* suffix) const { return resultFolder + "\\" + parameters.filePrefix + suffix; }
    std::string Flag(const char* suffix) const { return flagFolder + "\\" + parameters.filePrefix + suffix; }
    std::string Address(const char* suffix) const { return parameters.baseUrl + encodedPrefix + suffix; }
};

int Finish(const Run& run, const char* readyFlag, int status) {
    if (!CreateEmptyFlag(run.Flag(readyFlag))) return kExitFailed;
    return status;
}

// The description and its English twin are stored as a pair or not at all: the twin first, so
// that a reader who finds the description finds its twin beside it.
int VersionMode(const Run& run) {
    const std::string description = run.Result("_CNVTrue.txt");
    const std::string twin = run.Result("_CNVTrueEng.txt");
    platform::CreateDirectories(run.resultFolder);
    DeleteQuietly(run.Flag("_CNVFalse"));
    DeleteQuietly(run.Flag("_CheckReady"));
    DeleteQuietly(description);
    DeleteQuietly(twin);

    HttpClient http(run.limits);
    FetchResult text = http.Get(run.Address(".txt"));
    if (text.outcome == FetchOutcome::NotOk || text.outcome == FetchOutcome::NoAnswer) {
        const bool flagged = CreateEmptyFlag(run.Flag("_CNVFalse"));
        return Finish(run, "_CheckReady", flagged && text.outcome == FetchOutcome::NotOk ? kExitDone : kExitFailed);
    }
    if (text.outcome != FetchOutcome::Ok) return Finish(run, "_CheckReady", kExitFailed);

    // A maker who publishes no English text still announces the version to Russian readers: a
    // twin the server does not have is left out (an error page is never stored as one), while a
    // twin that failed on its way stores nothing.
    const FetchResult english = http.Get(run.Address("Eng.txt"));
    if (english.outcome != FetchOutcome::Ok && english.outcome != FetchOutcome::NotOk)
        return Finish(run, "_CheckReady", kExitFailed);
    if (english.outcome == FetchOutcome::Ok && !WriteResultFile(twin, english.body))
        return Finish(run, "_CheckReady", kExitFailed);
    if (!WriteResultFile(description, text.body)) {
        DeleteQuietly(twin);
        return Finish(run, "_CheckReady", kExitFailed);
    }
    return Finish(run, "_CheckReady", kExitDone);
}

// The change mark is stored only after the list it announces, so that a list that failed to
// arrive is fetched again at the next run.
int ListMode(const Run& run) {
    DeleteQuietly(run.Flag("_CAC_Ready"));
    platform::CreateDirectories(run.resultFolder);

    HttpClient http(run.limits);
    const std::string listAddress = run.Address(".txt");
    const FetchResult probe = http.Probe(listAddress);
    if (probe.outcome != FetchOutcome::Ok) {
        return Finish(run, "_CAC_Ready", probe.outcome == FetchOutcome::NotOk ? kExitDone : kExitFailed);
    }

    const std::string markFile = run.Result("_CAC_LastEdit.ini");
    const std::string oldMark = FirstLineOfFile(markFile);
    const FetchResult mark = http.Get(run.Address("_LastEdit.txt"));
    if (mark.outcome != FetchOutcome::Ok && mark.outcome != FetchOutcome::NotOk)
        return Finish(run, "_CAC_Ready", kExitFailed);
    // A server that keeps no change mark still delivers its list: it is fetched at every run, and
    // no mark is kept that could hold it back once a mark appears.
    const bool markServed = mark.outcome == FetchOutcome::Ok;

    // Letter case counts: a mark that differs only in case is a new mark.
    if (!markServed || oldMark.empty() || FirstLine(mark.body) != oldMark) {
        const FetchResult list = http.Get(listAddress);
        if (list.outcome != FetchOutcome::Ok) return Finish(run, "_CAC_Ready", kExitFailed);
        if (!WriteResultFile(run.Result(".ini"), list.body)) return Finish(run, "_CAC_Ready", kExitFailed);
    }
    if (!markServed) {
        DeleteQuietly(markFile);
        return Finish(run, "_CAC_Ready", kExitDone);
    }
    if (!WriteResultFile(markFile, mark.body)) return Finish(run, "_CAC_Ready", kExitFailed);
    return Finish(run, "_CAC_Ready", kExitDone);
}

int RunAgent(int argc, char** argv) {
    Run run;
    run.parameters = ReadParameters(argc, argv);
    const Parameters& p = run.parameters;
    if (p.productFolder.empty() || p.filePrefix.empty() || p.baseUrl.empty()) return kExitRefused;
    if (!kestrune::IsSafePathName(p.filePrefix, kestrune::kLongestPrefixSuffix) ||
        !kestrune::IsSafeRelativePath(p.productFolder))
        return kExitRefused;

    if (p.locationWord == "AppData") {
        const std::string appData = GetSpecialFolder(0);
        if (!IsUsableFolder(appData)) return kExitRefused;
        run.resultFolder = appData + "\\" + p.productFolder;
    } else {
        run.resultFolder = platform::ExecutableFolder() + "\\..\\Settings\\";
    }
    run.flagFolder = GetSpecialFolder(1);
    if (!IsUsableFolder(run.flagFolder) || !IsUsableFolder(run.resultFolder)) return kExitRefused;

    run.encodedPrefix = PercentEncode(p.filePrefix);
    run.limits = LimitsFromEnvironment();
    return p.modeWord == "-" ? VersionMode(run) : ListMode(run);
}

}  // namespace

Parameters ReadParameters(int argc, char** argv) {
    Parameters parameters;
    std::string* const slots[] = {&parameters.productFolder, &parameters.filePrefix, &parameters.baseUrl,
                                  &parameters.modeWord, &parameters.locationWord};
    for (int i = 1; i < argc && i <= 5; ++i) {
        if (argv[i]) *slots[i - 1] = argv[i];
    }
    return parameters;
}

int PellmarkMain(int argc, char** argv) {
    // The agent makes no error reports: a failure only ends it.
    kestrune::SetErrorHandler([](const std::string&) {});
    // A server that closes its end while a request is written must fail the request, not end the agent.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return RunAgent(argc, argv);
    } catch (...) {
        return kExitFailed;
    }
}

}  // namespace pellmark
