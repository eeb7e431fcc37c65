#pragma once
// HTTP for the check agent: a status probe and a whole-body download, through libcurl, with
// limits on time and size so that a slow or hostile server can neither hang the agent nor make
// it store a partial or oversized text.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

typedef void CURL;
struct curl_slist;

namespace pellmark {

struct Limits {
    long connectSeconds = 15;             // to open the connection
    long stallSeconds = 30;               // without a byte arriving, counted from the request
    long runSeconds = 120;                // for every request of the run together
    std::size_t maxBodyBytes = 8u << 20;  // for one body
};

// The defaults, with the values named in KESTRUNE_AGENT_LIMITS
// ("connect=S,stall=S,run=S,size=BYTES") put in their place; a malformed entry is skipped.
Limits LimitsFromText(std::string_view text);
Limits LimitsFromEnvironment();

enum class FetchOutcome {
    Ok,        // status 200 and the whole body
    NotOk,     // the server answered with another status
    NoAnswer,  // no connection, no status, a refused address or too many redirects
    Broken,    // status 200, but the body did not arrive whole (cut, reset, stalled, too large)
};

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::NoAnswer;
    long status = 0;
    std::string error;  // what went wrong, for a reader of the code; the agent shows nothing
};

// Takes a body piece by piece as it arrives, only from an answer with status 200; answering
// false (a file that cannot be written) ends the transfer as Broken.
class BodySink {
public:
    virtual ~BodySink() = default;
    virtual bool Write(std::string_view bytes) = 0;
};

// The address to request: "http://" or "https://" (any letter case) stays as it is, an address
// without a scheme gets "http://" in front, and one with any other scheme answers empty.
std::string NormaliseUrl(std::string_view url);
// Every byte outside the URL's unreserved set (letters, digits, "-", ".", "_", "~") as %XX.
std::string PercentEncode(std::string_view text);

// One client for one run: the run limit counts from its creation, and the connection may be kept
// for the next request to the same server. Every request asks the server and any proxy for a
// fresh answer; nothing is cached.
class HttpClient {
public:
    explicit HttpClient(const Limits& limits);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Whether a GET of the address answers with status 200; the body is not fetched. HEAD is
    // asked first; any other answer to it (some servers refuse HEAD with 400, 403 or 404, or
    // close the connection) is checked with a GET that stops after the status and headers.
    FetchResult Probe(const std::string& url);
    // The whole body behind the address, handed to the sink as it arrives, when the server
    // answers with status 200. Only Ok means that the sink has seen the whole body.
    FetchResult Get(const std::string& url, BodySink& sink);

private:
    enum class Method { Head, GetHeadersOnly, GetBody };
    FetchResult Request(const std::string& url, Method method, BodySink* sink);

    Limits limits_;
    std::chrono::steady_clock::time_point deadline_;
    CURL* curl_ = nullptr;
    curl_slist* headers_ = nullptr;
};

}  // namespace pellmark
