#include "errors/MailCurl.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace kestrune {

namespace {

constexpr const char* kCurlLibrary = "libcurl.so.4";

std::mutex g_lock;
std::string g_libraryForTesting;
std::map<std::string, MailCurlFunctions> g_loaded;  // by file name; never unloaded

template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& problem) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function && problem.empty()) problem = std::string("libcurl has no ") + name;
    return function != nullptr;
}

}  // namespace

MailCurl LoadMailCurl() {
    const std::lock_guard<std::mutex> lock(g_lock);
    const std::string fileName = g_libraryForTesting.empty() ? kCurlLibrary : g_libraryForTesting;
    if (const auto found = g_loaded.find(fileName); found != g_loaded.end()) return {&found->second, {}};

    MailCurl result;
    void* library = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        result.problem = why ? why : fileName + " could not be loaded";
        return result;
    }
    MailCurlFunctions f;
    bool all = true;
    all &= Resolve(library, "curl_global_init", f.globalInit, result.problem);
    all &= Resolve(library, "curl_easy_init", f.easyInit, result.problem);
    all &= Resolve(library, "curl_easy_cleanup", f.easyCleanup, result.problem);
    all &= Resolve(library, "curl_easy_setopt", f.easySetopt, result.problem);
    all &= Resolve(library, "curl_easy_perform", f.easyPerform, result.problem);
    all &= Resolve(library, "curl_easy_strerror", f.easyStrerror, result.problem);
    all &= Resolve(library, "curl_slist_append", f.slistAppend, result.problem);
    all &= Resolve(library, "curl_slist_free_all", f.slistFreeAll, result.problem);
    if (!all) {
        ::dlclose(library);  // nothing of it has run
        return result;
    }
    if (const CURLcode code = f.globalInit(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
        // Kept loaded: a half-done global set-up may have registered clean-up of its own.
        result.problem = std::string("libcurl could not start: ") + f.easyStrerror(code);
        return result;
    }
    result.functions = &g_loaded.emplace(fileName, f).first->second;
    return result;
}

void SetMailCurlLibraryForTesting(const std::string& fileName) {
    const std::lock_guard<std::mutex> lock(g_lock);
    g_libraryForTesting = fileName;
}

}  // namespace kestrune
