#include "foundation/core/Guard.h"

#include <cstdio>
#include <utility>

#include "foundation/core/Product.h"

namespace kestrune {
namespace {
ErrorHandler& CurrentHandler() {
    static ErrorHandler handler;
    return handler;
}
}  // namespace

ErrorHandler SetErrorHandler(ErrorHandler handler) { return std::exchange(CurrentHandler(), std::move(handler)); }

void ProcessError(const std::string& code) {
    try {
        if (CurrentHandler()) {
            CurrentHandler()(code);
        } else {
            std::fprintf(stderr, "%s: failure at %s\n", kProductName, code.c_str());
        }
    } catch (...) {
        // The error processor must never throw into its caller's failure path.
    }
}

ErrorCodeRecorder::ErrorCodeRecorder() {
    previous_ = SetErrorHandler([this](const std::string& code) { codes.push_back(code); });
}

ErrorCodeRecorder::~ErrorCodeRecorder() { SetErrorHandler(std::move(previous_)); }

namespace detail {
void HandleCaughtFailure(const std::string& code) noexcept { ProcessError(code); }
}  // namespace detail

}  // namespace kestrune
