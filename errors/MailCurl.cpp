#include "errors/MailCurl.h"

#include <mutex>

namespace kestrune {

namespace {

constexpr const char* kCurlLibrary = "libcurl.so.4";

std::mutex g_lock;
std::string g_libraryForTesting;

std::string LibraryFile() {
    const std::lock_guard<std::mutex> lock(g_lock);
    return g_libraryForTesting.empty() ? kCurlLibrary : g_libraryForTesting;
}

}  // namespace

MailCurl LoadMailCurl() {
    return platform::LoadLibraryOnce<MailCurlFunctions>(
        LibraryFile(), "libcurl",
        [](platform::LibrarySymbols& symbols, MailCurlFunctions& f) {
            symbols.Take("curl_global_init", f.globalInit);
            symbols.Take("curl_easy_init", f.easyInit);
            symbols.Take("curl_easy_cleanup", f.easyCleanup);
            symbols.Take("curl_easy_setopt", f.easySetopt);
            symbols.Take("curl_easy_perform", f.easyPerform);
            symbols.Take("curl_easy_strerror", f.easyStrerror);
            symbols.Take("curl_slist_append", f.slistAppend);
            symbols.Take("curl_slist_free_all", f.slistFreeAll);
        },
        [](const MailCurlFunctions& f) {
            const CURLcode code = f.globalInit(CURL_GLOBAL_DEFAULT);
            return code == CURLE_OK ? std::string() : std::string("libcurl could not start: ") + f.easyStrerror(code);
        });
}

void SetMailCurlLibraryForTesting(const std::string& fileName) {
    const std::lock_guard<std::mutex> lock(g_lock);
    g_libraryForTesting = fileName;
}

}  // namespace kestrune
