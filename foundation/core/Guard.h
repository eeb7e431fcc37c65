#pragma once
// The guard contract. Every routine of the program's own code runs its body under Guard with its
// fixed location code; whatever escapes the body is handed to ProcessError, and the routine then
// returns its default result (or what it had built so far). Nothing is thrown on.
//
//     std::string GetSpecialFolder(int index) {
//         std::string result;
//         Guard("UP.006-01", [&] { ... });
//         return result;
//     }
//
// A routine that reports the step it reached keeps its code in a local string and updates it;
// Guard reads the code when the failure happens.

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// The error processor's single entry point. A guarded routine calls it from its failure path,
// where the failure is still being handled; the error processor reads the failure from there.
// The pseudo-codes "review" and "Kestrune" open the feedback and report pages. Never throws.
void ProcessError(const std::string& code);

// Who receives the codes: the error processor installs itself when the program starts. Until
// then, codes are written to stderr. Pellmark installs a handler that does nothing (the agent
// makes no error reports). Answers the handler it replaced; tests use it to record codes.
using ErrorHandler = std::function<void(const std::string& code)>;
ErrorHandler SetErrorHandler(ErrorHandler handler);

// For tests: while it lives, every location code is recorded in codes instead of being
// processed; the handler it replaced comes back when it goes.
class ErrorCodeRecorder {
public:
    ErrorCodeRecorder();
    ~ErrorCodeRecorder();
    ErrorCodeRecorder(const ErrorCodeRecorder&) = delete;
    ErrorCodeRecorder& operator=(const ErrorCodeRecorder&) = delete;
    std::vector<std::string> codes;

private:
    ErrorHandler previous_;
};

namespace detail {
void HandleCaughtFailure(const std::string& code) noexcept;
}

template <class Body>
void Guard(const std::string& code, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        detail::HandleCaughtFailure(code);
    }
}

}  // namespace kestrune
