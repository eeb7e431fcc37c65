#include "foundation/PageParser.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace kestrune {

namespace {

constexpr const char* kParserLibrary = "libxml2.so.2";

std::mutex g_lock;
std::string g_libraryForTesting;
std::map<std::string, PageParserFunctions> g_loaded;  // by file name; never unloaded

template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& problem) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function && problem.empty()) problem = std::string("libxml2 has no ") + name;
    return function != nullptr;
}

}  // namespace

PageParser LoadPageParser() {
    const std::lock_guard<std::mutex> lock(g_lock);
    const std::string fileName = g_libraryForTesting.empty() ? kParserLibrary : g_libraryForTesting;
    if (const auto found = g_loaded.find(fileName); found != g_loaded.end()) return {&found->second, {}};

    PageParser result;
    void* library = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        result.problem = why ? why : fileName + " could not be loaded";
        return result;
    }
    PageParserFunctions f;
    bool all = true;
    all &= Resolve(library, "xmlInitParser", f.initParser, result.problem);
    all &= Resolve(library, "htmlReadMemory", f.readMemory, result.problem);
    all &= Resolve(library, "xmlFreeDoc", f.freeDoc, result.problem);
    if (!all) {
        ::dlclose(library);  // nothing of it has run
        return result;
    }
    f.initParser();
    result.functions = &g_loaded.emplace(fileName, f).first->second;
    return result;
}

void SetPageParserLibraryForTesting(const std::string& fileName) {
    const std::lock_guard<std::mutex> lock(g_lock);
    g_libraryForTesting = fileName;
}

}  // namespace kestrune
