#include "platform/LoadedLibrary.h"

#include <dlfcn.h>

namespace platform {

void* LibrarySymbols::Find(const char* symbol) const { return ::dlsym(library_, symbol); }

void* OpenLibrary(const std::string& fileName, std::string& problem) {
    void* library = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        problem = why ? why : fileName + " could not be loaded";
    }
    return library;
}

void CloseLibrary(void* library) { ::dlclose(library); }

}  // namespace platform
