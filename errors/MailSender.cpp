#include "errors/MailSender.h"

#include <cstring>
#include <memory>

#include "errors/MailCurl.h"
#include "errors/MailMessage.h"

namespace kestrune {

namespace {

MailTimeLimits g_timeLimits;

struct Upload {
    const std::string* bytes = nullptr;
    std::size_t offset = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const std::size_t room = size * count;
    const std::size_t left = upload->bytes->size() - upload->offset;
    const std::size_t n = left < room ? left : room;
    std::memcpy(buffer, upload->bytes->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

// Follows the dialogue far enough to know whether the server took the message (the reply to
// the end of the data, after DATA was answered with 354) and which command it refused.
struct Dialogue {
    enum Stage { BeforeData, DataSent, BodySent, Accepted } stage = BeforeData;
    bool greeted = false;        // the server has said something
    std::string lastCommand;     // first word of the last command sent
    std::string refusedCommand;  // the command answered with 4xx or 5xx
};

int WatchDialogue(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* dialogue = static_cast<Dialogue*>(user);
    const std::string_view text(data, size);
    if (type == CURLINFO_HEADER_OUT) {
        dialogue->lastCommand = std::string(text.substr(0, text.find_first_of(" \r\n")));
        if (dialogue->lastCommand == "DATA") dialogue->stage = Dialogue::DataSent;
    } else if (type == CURLINFO_HEADER_IN && text.size() >= 3) {
        dialogue->greeted = true;
        // Only the last line of a reply ("250 " rather than "250-") ends it.
        const bool lastLine = text.size() == 3 || text[3] != '-';
        if (!lastLine) return 0;
        if ((text.front() == '4' || text.front() == '5') && dialogue->refusedCommand.empty())
            dialogue->refusedCommand = dialogue->stage == Dialogue::BodySent ? "DATA" : dialogue->lastCommand;
        if (dialogue->stage == Dialogue::DataSent) {
            dialogue->stage = text.substr(0, 3) == "354" ? Dialogue::BodySent : Dialogue::BeforeData;
        } else if (dialogue->stage == Dialogue::BodySent) {
            dialogue->stage = text.front() == '2' ? Dialogue::Accepted : Dialogue::BeforeData;
        }
    }
    return 0;
}

MailOutcome OutcomeOf(CURLcode code) {
    switch (code) {
        case CURLE_OK: return MailOutcome::Delivered;
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR: return MailOutcome::ConnectFailed;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED: return MailOutcome::TlsFailed;
        case CURLE_LOGIN_DENIED: return MailOutcome::LoginRefused;
        case CURLE_OPERATION_TIMEDOUT: return MailOutcome::TimedOut;
        // libcurl reports a refused recipient as "remote access denied", a refused MAIL FROM or
        // DATA as a weird server reply.
        case CURLE_REMOTE_ACCESS_DENIED: return MailOutcome::RecipientRefused;
        case CURLE_WEIRD_SERVER_REPLY: return MailOutcome::SendRefused;
        default: return MailOutcome::Failed;
    }
}

}  // namespace

const char* MailOutcomeName(MailOutcome outcome) {
    switch (outcome) {
        case MailOutcome::Delivered: return "delivered";
        case MailOutcome::Unusable: return "unusable";
        case MailOutcome::ConnectFailed: return "connect failed";
        case MailOutcome::TlsFailed: return "TLS failed";
        case MailOutcome::LoginRefused: return "login refused";
        case MailOutcome::RecipientRefused: return "recipient refused";
        case MailOutcome::SendRefused: return "send refused";
        case MailOutcome::TimedOut: return "timed out";
        case MailOutcome::NoMailLibrary: return "the mail library could not be loaded";
        case MailOutcome::Failed: break;
    }
    return "failed";
}

MailTimeLimits GetMailTimeLimits() { return g_timeLimits; }

void SetMailTimeLimitsForTesting(const MailTimeLimits& limits) { g_timeLimits = limits; }

SmtpsSender::SmtpsSender(std::string caBundle) : caBundle_(std::move(caBundle)) {}

MailAttempt SmtpsSender::Send(const MailAccount& account, const std::string& recipient,
                              const std::string& message) const {
    MailAttempt attempt;
    if (!account.usable()) {
        attempt.outcome = MailOutcome::Unusable;
        attempt.detail = account.problem;
        return attempt;
    }
    // libcurl hands addresses to the server as they stand: a CR LF in one would add commands.
    if (!IsPlainMailAddress(recipient) || !IsPlainMailAddress(account.sender) || !IsPlainHostName(account.host)) {
        attempt.outcome = MailOutcome::Unusable;
        attempt.detail = "an address or the host is not plain";
        return attempt;
    }
    const MailCurl loaded = LoadMailCurl();
    if (!loaded.functions) {
        attempt.outcome = MailOutcome::NoMailLibrary;
        attempt.detail = loaded.problem;
        return attempt;
    }
    const MailCurlFunctions& lib = *loaded.functions;
    std::unique_ptr<CURL, decltype(lib.easyCleanup)> curl(lib.easyInit(), lib.easyCleanup);
    if (!curl) {
        attempt.detail = "libcurl could not start";
        return attempt;
    }
    CURL* h = curl.get();
    char errorText[CURL_ERROR_SIZE] = {};
    const std::string url = "smtps://" + account.host + ":" + std::to_string(account.port) + "/localhost";
    const std::string from = "<" + account.sender + ">";
    const std::string to = "<" + recipient + ">";
    std::unique_ptr<curl_slist, decltype(lib.slistFreeAll)> recipients(lib.slistAppend(nullptr, to.c_str()),
                                                                       lib.slistFreeAll);
    if (!recipients) {
        attempt.detail = "libcurl could not take the recipient";
        return attempt;
    }
    Upload upload{&message, 0};
    Dialogue dialogue;
    const MailTimeLimits limits = g_timeLimits;

    // Every option must hold: a libcurl that refused one (an older library without the protocol
    // limit, a value beyond its limits) would otherwise send with less protection than intended.
    CURLoption refused = CURLOPT_LASTENTRY;
    auto set = [&](CURLoption option, auto value) {
        if (refused == CURLOPT_LASTENTRY && lib.easySetopt(h, option, value) != CURLE_OK) refused = option;
    };
    set(CURLOPT_ERRORBUFFER, errorText);
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "smtps");
    set(CURLOPT_NOPROXY, "*");
    set(CURLOPT_PROXY, "");
    set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    set(CURLOPT_SSLVERSION,
        static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_DEFAULT));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caBundle_.empty()) set(CURLOPT_CAINFO, caBundle_.c_str());
    set(CURLOPT_USERNAME, account.user.c_str());
    set(CURLOPT_PASSWORD, account.password.c_str());
    set(CURLOPT_MAIL_FROM, from.c_str());
    set(CURLOPT_MAIL_RCPT, recipients.get());
    set(CURLOPT_UPLOAD, 1L);
    set(CURLOPT_READFUNCTION, &ReadUpload);
    set(CURLOPT_READDATA, static_cast<void*>(&upload));
    set(CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
    set(CURLOPT_TIMEOUT_MS, limits.totalMs);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_DEBUGFUNCTION, &WatchDialogue);
    set(CURLOPT_DEBUGDATA, static_cast<void*>(&dialogue));
    set(CURLOPT_VERBOSE, 1L);  // feeds WatchDialogue; nothing is printed
    if (refused != CURLOPT_LASTENTRY) {
        attempt.detail = "libcurl refused option " + std::to_string(static_cast<int>(refused));
        return attempt;
    }

    const CURLcode code = lib.easyPerform(h);
    attempt.curlCode = static_cast<int>(code);
    attempt.detail = errorText[0] ? errorText : lib.easyStrerror(code);
    attempt.outcome = OutcomeOf(code);
    if (dialogue.stage == Dialogue::Accepted) attempt.outcome = MailOutcome::Delivered;
    else if (dialogue.refusedCommand == "AUTH") attempt.outcome = MailOutcome::LoginRefused;
    else if (dialogue.refusedCommand == "RCPT") attempt.outcome = MailOutcome::RecipientRefused;
    else if (dialogue.refusedCommand == "MAIL" || dialogue.refusedCommand == "DATA")
        attempt.outcome = MailOutcome::SendRefused;
    else if (attempt.outcome == MailOutcome::ConnectFailed && dialogue.greeted) attempt.outcome = MailOutcome::Failed;
    return attempt;
}

}  // namespace kestrune
