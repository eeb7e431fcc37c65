#pragma once
// The error processor's own routines carry no location code: a failure inside them is
// swallowed, and the routine answers what it had built so far.

namespace kestrune {

template <class Body>
void Quietly(Body&& body) noexcept {
    try {
        body();
    } catch (...) {}
}

}  // namespace kestrune
