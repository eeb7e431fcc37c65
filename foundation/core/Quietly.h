#pragma once
// A body that carries no location code: a failure inside it is swallowed, and the routine answers
// what it had built so far. The error processor's own routines run so (a failure there has no
// one left to report to), and so do handlers whose failure the program drops on purpose.

namespace kestrune {

template <class Body>
void Quietly(Body&& body) noexcept {
    try {
        body();
    } catch (...) {}
}

}  // namespace kestrune
