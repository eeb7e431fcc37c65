#include "agent/Download.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "platform/AsciiText.h"

namespace pellmark {

namespace {

// Larger pieces than curl's 16 KiB cost fewer calls for a large body and little memory.
constexpr long kReceiveBufferBytes = 256 * 1024;

// One transfer's state; the callbacks stop the transfer as soon as it is of no use.
struct Transfer {
    CURL* curl = nullptr;
    bool headersOnly = false;  // a probe: the status is all that is wanted
    BodySink* sink = nullptr;
    std::size_t maxBytes = 0;
    std::size_t received = 0;
    std::chrono::steady_clock::duration stallLimit{};
    std::chrono::steady_clock::time_point lastByte;
    bool stoppedForStatus = false;
    bool stoppedForSize = false;
    bool stoppedForSink = false;
    bool stalled = false;
};

long ResponseCode(CURL* curl) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::size_t ReadHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    transfer.lastByte = std::chrono::steady_clock::now();
    // The blank line ends one answer's headers. A probe stops there once the final answer's
    // status is known; a redirect goes on, so that curl can follow it.
    const std::string_view line(data, bytes);
    if (transfer.headersOnly && (line == "\r\n" || line == "\n")) {
        const long status = ResponseCode(transfer.curl);
        if (status >= 200 && (status < 300 || status >= 400)) {
            transfer.stoppedForStatus = true;
            return 0;
        }
    }
    return bytes;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    transfer.lastByte = std::chrono::steady_clock::now();
    if (ResponseCode(transfer.curl) != 200 || !transfer.sink) {
        // Another status (an error page is never stored), or a probe: the body is not needed.
        transfer.stoppedForStatus = true;
        return 0;
    }
    if (bytes > transfer.maxBytes - transfer.received) {
        transfer.stoppedForSize = true;
        return 0;
    }
    if (!transfer.sink->Write(std::string_view(data, bytes))) {
        transfer.stoppedForSink = true;
        return 0;
    }
    transfer.received += bytes;
    return bytes;
}

// curl calls this about once a second while nothing arrives: the stall limit holds to the second.
int CheckProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (std::chrono::steady_clock::now() - transfer.lastByte < transfer.stallLimit) return 0;
    transfer.stalled = true;
    return 1;
}

}  // namespace

Limits LimitsFromText(std::string_view text) {
    Limits limits;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = entry.substr(0, eq);
        const std::string_view digits = entry.substr(eq + 1);
        unsigned long long value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 1u << 30) continue;
        if (name == "connect") limits.connectSeconds = static_cast<long>(value);
        else if (name == "stall") limits.stallSeconds = static_cast<long>(value);
        else if (name == "run") limits.runSeconds = static_cast<long>(value);
        else if (name == "size") limits.maxBodyBytes = static_cast<std::size_t>(value);
    }
    return limits;
}

Limits LimitsFromEnvironment() {
    const char* text = std::getenv("KESTRUNE_AGENT_LIMITS");
    return LimitsFromText(text ? text : "");
}

std::string NormaliseUrl(std::string_view url) {
    if (platform::AsciiStartsWithNoCase(url, "http://") || platform::AsciiStartsWithNoCase(url, "https://"))
        return std::string(url);
    // A scheme is letters, digits, "+", "-" and "." after a first letter, ended by "://".
    const std::size_t mark = url.find("://");
    if (mark != std::string_view::npos && mark > 0 && platform::AsciiIsAlpha(url[0]) &&
        std::all_of(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(mark),
                    [](char c) { return platform::AsciiIsAlnum(c) || c == '+' || c == '-' || c == '.'; })) {
        return {};
    }
    return "http://" + std::string(url);
}

std::string PercentEncode(std::string_view text) {
    return platform::PercentEscaped(text, [](unsigned char byte) {
        const char c = static_cast<char>(byte);
        return !(platform::AsciiIsAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~');
    });
}

HttpClient::HttpClient(const Limits& limits)
    : limits_(limits), deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(limits.runSeconds)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    curl_ = curl_easy_init();
    headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
    headers_ = curl_slist_append(headers_, "Pragma: no-cache");
}

HttpClient::~HttpClient() {
    if (curl_) curl_easy_cleanup(curl_);
    curl_slist_free_all(headers_);
    curl_global_cleanup();
}

FetchResult HttpClient::Probe(const std::string& url) {
    FetchResult result = Request(url, Method::Head, nullptr);
    // "There" means that a GET answers 200: any other answer to HEAD is asked again with a GET.
    if (result.outcome != FetchOutcome::Ok) result = Request(url, Method::GetHeadersOnly, nullptr);
    return result;
}

FetchResult HttpClient::Get(const std::string& url, BodySink& sink) { return Request(url, Method::GetBody, &sink); }

FetchResult HttpClient::Request(const std::string& url, Method method, BodySink* sink) {
    FetchResult result;
    const std::string address = NormaliseUrl(url);
    if (address.empty()) {
        result.error = "refused address " + url;
        return result;
    }
    if (!curl_ || !headers_) {
        result.error = "no HTTP client";
        return result;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        result.error = "run time limit reached";
        return result;
    }

    Transfer transfer;
    transfer.curl = curl_;
    transfer.headersOnly = method == Method::GetHeadersOnly;
    transfer.sink = method == Method::GetBody ? sink : nullptr;
    transfer.maxBytes = limits_.maxBodyBytes;
    transfer.stallLimit = std::chrono::seconds(limits_.stallSeconds);
    transfer.lastByte = std::chrono::steady_clock::now();
    char message[CURL_ERROR_SIZE] = {};

    curl_easy_reset(curl_);
    curl_easy_setopt(curl_, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, "InetURL:/1.0");
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::min<long long>(limits_.connectSeconds * 1000LL, left.count())));
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
    // curl's own low-speed test averages over several seconds and ends a stall late; the
    // progress callback ends it when no byte has come for the stall limit.
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &CheckProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &ReadHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    if (method == Method::Head) curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    // An announced length over the limit ends the transfer at once; the write callback caps the rest.
    if (method == Method::GetBody) {
        curl_easy_setopt(curl_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBodyBytes));
    }

    const CURLcode code = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, nullptr);  // the buffer lives only in this call
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &result.status);
    result.error = message[0] ? message : curl_easy_strerror(code);

    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && transfer.stoppedForStatus)) {
        if (result.status == 200) {
            result.outcome = FetchOutcome::Ok;
            result.error.clear();
        } else {
            // A redirect that was not followed counts as no answer, like a loop of redirects.
            result.outcome = result.status >= 300 && result.status < 400 ? FetchOutcome::NoAnswer : FetchOutcome::NotOk;
        }
        return result;
    }
    if (transfer.stoppedForSize || code == CURLE_FILESIZE_EXCEEDED) {
        result.outcome = result.status == 200 ? FetchOutcome::Broken : FetchOutcome::NotOk;
        result.error = "body larger than " + std::to_string(limits_.maxBodyBytes) + " bytes";
        return result;
    }
    if (transfer.stoppedForSink) result.error = "the body could not be stored";
    if (transfer.stalled) result.error = "nothing arrived for " + std::to_string(limits_.stallSeconds) + " s";
    result.outcome = result.status == 200 ? FetchOutcome::Broken : FetchOutcome::NoAnswer;
    return result;
}

}  // namespace pellmark
