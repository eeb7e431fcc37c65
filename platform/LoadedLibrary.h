#pragma once
// Libraries opened when a feature first needs them rather than with the program, so a run that
// never uses the feature maps nothing of them. What was opened stays for the rest of the run; a
// library that could not be opened is tried again at the next call.

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform {

// The symbols of one opened library, taken by name; the first one missing is named in problem().
class LibrarySymbols {
public:
    LibrarySymbols(void* library, std::string libraryName) : library_(library), name_(std::move(libraryName)) {}

    template <typename Function>
    void Take(const char* symbol, Function& function) {
        function = reinterpret_cast<Function>(Find(symbol));
        if (!function && problem_.empty()) problem_ = name_ + " has no " + symbol;
    }
    const std::string& problem() const { return problem_; }

private:
    void* Find(const char* symbol) const;

    void* library_;
    std::string name_;
    std::string problem_;
};

// The library at fileName opened, or nullptr with why in problem.
void* OpenLibrary(const std::string& fileName, std::string& problem);
// Only for a library of which nothing has run.
void CloseLibrary(void* library);

template <typename Functions>
struct LoadedLibrary {
    const Functions* functions = nullptr;  // null when the library could not be loaded
    std::string problem;                   // why not, for diagnostics; never shown to the user
};

// The Functions of the library at fileName, once per file name for the whole process: take(symbols,
// functions) takes them by name, then start(functions) sets the library up and answers why that
// failed (empty for success). libraryName names the library in problems.
template <typename Functions, typename Take, typename Start>
LoadedLibrary<Functions> LoadLibraryOnce(const std::string& fileName, const std::string& libraryName, Take take,
                                         Start start) {
    static std::mutex lock;
    static std::map<std::string, Functions> loaded;  // by file name; never unloaded
    const std::lock_guard<std::mutex> guard(lock);
    if (const auto found = loaded.find(fileName); found != loaded.end()) return {&found->second, {}};

    LoadedLibrary<Functions> result;
    void* library = OpenLibrary(fileName, result.problem);
    if (!library) return result;
    LibrarySymbols symbols(library, libraryName);
    Functions functions;
    take(symbols, functions);
    if (!symbols.problem().empty()) {
        CloseLibrary(library);  // nothing of it has run
        result.problem = symbols.problem();
        return result;
    }
    // Kept loaded when its set-up fails: a half-done set-up may have registered clean-up of its own.
    if (std::string why = start(functions); !why.empty()) {
        result.problem = std::move(why);
        return result;
    }
    result.functions = &loaded.emplace(fileName, functions).first->second;
    return result;
}

}  // namespace platform
