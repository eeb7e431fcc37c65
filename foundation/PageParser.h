#pragma once
// libxml2's HTML parser for pages from outside the program, loaded when the first page is shown
// rather than with the program: most starts show no page, and they map nothing of it.
//
// Only its types come from its headers; the program links nothing of libxml2.

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <string>

#include "platform/LoadedLibrary.h"

namespace kestrune {

// The few functions of libxml2 that reading a page uses.
struct PageParserFunctions {
    decltype(&xmlInitParser) initParser = nullptr;
    decltype(&htmlReadMemory) readMemory = nullptr;
    decltype(&xmlFreeDoc) freeDoc = nullptr;
};

using PageParser = platform::LoadedLibrary<PageParserFunctions>;

// libxml2's functions, its parser set up once. A library that was loaded stays for the rest of the
// run; one that could not be loaded is tried again at the next page.
PageParser LoadPageParser();

// The file name that is loaded: "libxml2.so.2"; tests name one that does not exist. Empty returns
// to libxml2.
void SetPageParserLibraryForTesting(const std::string& fileName);

}  // namespace kestrune
