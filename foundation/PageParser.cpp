#include "foundation/PageParser.h"

#include <mutex>

namespace kestrune {

namespace {

constexpr const char* kParserLibrary = "libxml2.so.2";

std::mutex g_lock;
std::string g_libraryForTesting;

std::string LibraryFile() {
    const std::lock_guard<std::mutex> lock(g_lock);
    return g_libraryForTesting.empty() ? kParserLibrary : g_libraryForTesting;
}

}  // namespace

PageParser LoadPageParser() {
    return platform::LoadLibraryOnce<PageParserFunctions>(
        LibraryFile(), "libxml2",
        [](platform::LibrarySymbols& symbols, PageParserFunctions& f) {
            symbols.Take("xmlInitParser", f.initParser);
            symbols.Take("htmlReadMemory", f.readMemory);
            symbols.Take("xmlFreeDoc", f.freeDoc);
        },
        [](const PageParserFunctions& f) {
            f.initParser();
            return std::string();
        });
}

void SetPageParserLibraryForTesting(const std::string& fileName) {
    const std::lock_guard<std::mutex> lock(g_lock);
    g_libraryForTesting = fileName;
}

}  // namespace kestrune
