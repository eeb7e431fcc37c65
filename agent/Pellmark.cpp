#include "agent/Pellmark.h"

#include <openssl/evp.h>

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

// The first line of a list whose server keeps no change mark: the list's own digest stands for
// the mark. The leading "#" keeps it apart from any mark a server serves, so a server that starts
// or stops serving marks has its list delivered once more.
constexpr char kDigestMarkStart[] = "#body-sha256=";

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

// A body on its way into a result file, with what the list mode wants to know of it on the side.
class ResultBody : public BodySink {
public:
    ResultBody(const Run& run, const char* suffix) : file_(run.Result(suffix), run.parameters.filePrefix) {}
    ~ResultBody() override {
        if (digest_) EVP_MD_CTX_free(digest_);
    }
    ResultBody(const ResultBody&) = delete;
    ResultBody& operator=(const ResultBody&) = delete;

    bool Open() { return file_.Open(); }
    // Keeps the text up to the first line end as it passes.
    void CollectFirstLine() { collectLine_ = true; }
    bool ComputeDigest() {
        digest_ = EVP_MD_CTX_new();
        return digest_ && EVP_DigestInit_ex(digest_, EVP_sha256(), nullptr) == 1;
    }

    bool Write(std::string_view bytes) override {
        if (collectLine_ && !lineEnded_) {
            const std::size_t end = bytes.find_first_of("\r\n");
            firstLine_.append(bytes.substr(0, end));
            lineEnded_ = end != std::string_view::npos;
        }
        if (digest_ && EVP_DigestUpdate(digest_, bytes.data(), bytes.size()) != 1) return false;
        return file_.Append(bytes);
    }

    const std::string& FirstLine() const { return firstLine_; }
    // The mark line that stands for this body; empty when the digest failed.
    std::string DigestMark() {
        unsigned char value[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!digest_ || EVP_DigestFinal_ex(digest_, value, &length) != 1) return {};
        static constexpr char kHex[] = "0123456789abcdef";
        std::string mark = kDigestMarkStart;
        for (unsigned int i = 0; i < length; ++i) {
            mark += kHex[value[i] >> 4];
            mark += kHex[value[i] & 0x0F];
        }
        return mark;
    }

    bool Complete() { return file_.Complete(); }
    bool Commit() { return file_.Commit(); }
    void Discard() { file_.Discard(); }

private:
    ResultFile file_;
    EVP_MD_CTX* digest_ = nullptr;
    bool collectLine_ = false;
    bool lineEnded_ = false;
    std::string firstLine_;
};

// Only "not found" says that nothing is published at an address; any other status (a server
// error, a refusal, "gone") is an answer that could not be had.
bool IsNothingPublished(const FetchResult& result) {
    return result.outcome == FetchOutcome::NotOk && result.status == 404;
}

int Finish(const Run& run, const char* readyFlag, int status) {
    if (!CreateEmptyFlag(run.Flag(readyFlag))) return kExitFailed;
    return status;
}

// The description and its English twin are stored as a pair or not at all: the twin first, so
// that a reader who finds the description finds its twin beside it. Answers the exit status.
int FetchDescriptions(const Run& run) {
    HttpClient http(run.limits);
    ResultBody description(run, "_CNVTrue.txt");
    if (!description.Open()) return kExitFailed;
    const FetchResult text = http.Get(run.Address(".txt"), description);
    if (text.outcome == FetchOutcome::NotOk || text.outcome == FetchOutcome::NoAnswer) {
        // No answer at all, like any status but "not found", is a check that could not be made.
        const bool flagged = CreateEmptyFlag(run.Flag("_CNVFalse"));
        return flagged && IsNothingPublished(text) ? kExitDone : kExitFailed;
    }
    if (text.outcome != FetchOutcome::Ok || !description.Complete()) return kExitFailed;

    // A maker who publishes no English text still announces the version to Russian readers: a
    // twin the server does not have is left out (an error page is never stored as one), while a
    // twin that failed on its way stores nothing.
    ResultBody twin(run, "_CNVTrueEng.txt");
    if (!twin.Open()) return kExitFailed;
    const FetchResult english = http.Get(run.Address("Eng.txt"), twin);
    if (english.outcome != FetchOutcome::Ok && english.outcome != FetchOutcome::NotOk) return kExitFailed;
    if (english.outcome == FetchOutcome::Ok && !twin.Commit()) return kExitFailed;
    if (!description.Commit()) {
        DeleteQuietly(run.Result("_CNVTrueEng.txt"));
        return kExitFailed;
    }
    return kExitDone;
}

// The failure marker stands beside the results for the whole run and goes only after a positive
// answer (a description stored, or "not found"), before the ready flag: a run that fails, or one
// that is killed on its way, leaves it, so that the program, also at a later start, tells a check
// that could not be made from one that found no new version.
int VersionMode(const Run& run) {
    platform::CreateDirectories(run.resultFolder);
    RemoveStaleTemporaries(run.resultFolder, run.parameters.filePrefix, run.limits.runSeconds);
    DeleteQuietly(run.Flag("_CNVFalse"));
    DeleteQuietly(run.Flag("_CheckReady"));
    CreateEmptyFlag(run.Result("_CheckFailed"));
    DeleteQuietly(run.Result("_CNVTrue.txt"));
    DeleteQuietly(run.Result("_CNVTrueEng.txt"));
    const int status = FetchDescriptions(run);
    if (status != kExitFailed) DeleteQuietly(run.Result("_CheckFailed"));
    return Finish(run, "_CheckReady", status);
}

// The change mark is stored only after the list it announces, so that a list that failed to
// arrive is fetched again at the next run.
int ListMode(const Run& run) {
    DeleteQuietly(run.Flag("_CAC_Ready"));
    platform::CreateDirectories(run.resultFolder);
    RemoveStaleTemporaries(run.resultFolder, run.parameters.filePrefix, run.limits.runSeconds);

    HttpClient http(run.limits);
    const std::string listAddress = run.Address(".txt");
    const FetchResult probe = http.Probe(listAddress);
    // No list, or none to be had: the old list and change mark stay and the ready flag ends the
    // check; the exit status tells a list not published from a server that failed.
    if (probe.outcome != FetchOutcome::Ok) {
        return Finish(run, "_CAC_Ready", IsNothingPublished(probe) ? kExitDone : kExitFailed);
    }

    const std::string oldMark = FirstLineOfFile(run.Result("_CAC_LastEdit.ini"));
    ResultBody mark(run, "_CAC_LastEdit.ini");
    if (!mark.Open()) return Finish(run, "_CAC_Ready", kExitFailed);
    mark.CollectFirstLine();
    const FetchResult markAnswer = http.Get(run.Address("_LastEdit.txt"), mark);
    if (markAnswer.outcome != FetchOutcome::Ok && markAnswer.outcome != FetchOutcome::NotOk)
        return Finish(run, "_CAC_Ready", kExitFailed);

    ResultBody list(run, ".ini");
    // A mark with an empty first line tells no more than a missing one.
    if (markAnswer.outcome == FetchOutcome::Ok && !mark.FirstLine().empty()) {
        // Letter case counts: a mark that differs only in case is a new mark.
        if (oldMark.empty() || mark.FirstLine() != oldMark) {
            if (!list.Open() || http.Get(listAddress, list).outcome != FetchOutcome::Ok || !list.Commit())
                return Finish(run, "_CAC_Ready", kExitFailed);
        }
        return Finish(run, "_CAC_Ready", mark.Commit() ? kExitDone : kExitFailed);
    }

    // A server that keeps no change mark: the list is fetched, and delivered only when its
    // digest differs from the one kept in place of the mark.
    mark.Discard();
    if (!list.Open() || !list.ComputeDigest()) return Finish(run, "_CAC_Ready", kExitFailed);
    if (http.Get(listAddress, list).outcome != FetchOutcome::Ok) return Finish(run, "_CAC_Ready", kExitFailed);
    const std::string digestMark = list.DigestMark();
    if (digestMark.empty()) return Finish(run, "_CAC_Ready", kExitFailed);
    if (digestMark == oldMark) return Finish(run, "_CAC_Ready", kExitDone);
    if (!list.Commit()) return Finish(run, "_CAC_Ready", kExitFailed);
    if (!WriteResultFile(run.Result("_CAC_LastEdit.ini"), run.parameters.filePrefix, digestMark))
        return Finish(run, "_CAC_Ready", kExitFailed);
    return Finish(run, "_CAC_Ready", kExitDone);
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

std::string ResultFolder(const Parameters& parameters, const std::string& executablePath) {
    std::string folder;
    if (parameters.locationWord == "AppData") {
        const std::string appData = GetSpecialFolder(0);
        if (!IsUsableFolder(appData)) return {};
        folder = appData + "\\" + parameters.productFolder;
    } else {
        const std::size_t slash = executablePath.rfind('/');
        // Without the program's own folder R would be the root's "Settings".
        if (executablePath.empty() || executablePath.front() != '/' || slash == 0 || slash == std::string::npos)
            return {};
        folder = executablePath.substr(0, slash) + "\\..\\Settings\\";
    }
    return IsUsableFolder(folder) ? folder : std::string();
}

int RunAgent(const Parameters& parameters, const std::string& executablePath) {
    Run run;
    run.parameters = parameters;
    const Parameters& p = run.parameters;
    if (p.productFolder.empty() || p.filePrefix.empty() || p.baseUrl.empty()) return kExitRefused;
    if (!kestrune::IsSafePathName(p.filePrefix, kestrune::kLongestPrefixSuffix) ||
        !kestrune::IsSafeRelativePath(p.productFolder))
        return kExitRefused;

    run.resultFolder = ResultFolder(p, executablePath);
    run.flagFolder = GetSpecialFolder(1);
    if (run.resultFolder.empty() || !IsUsableFolder(run.flagFolder)) return kExitRefused;

    run.encodedPrefix = PercentEncode(p.filePrefix);
    run.limits = LimitsFromEnvironment();
    return p.modeWord == "-" ? VersionMode(run) : ListMode(run);
}

int PellmarkMain(int argc, char** argv) {
    // The agent makes no error reports: a failure only ends it.
    kestrune::SetErrorHandler([](const std::string&) {});
    // A server that closes its end while a request is written must fail the request, not end the agent.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return RunAgent(ReadParameters(argc, argv), platform::ExecutablePath());
    } catch (...) {
        return kExitFailed;
    }
}

}  // namespace pellmark
