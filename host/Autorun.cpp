#include "host/Autorun.h"

#include "foundation/core/Guard.h"

namespace kestrune {

// Placeholder until the autostart value lands: the registry is left as it is.
void ApplyAutorunMode() {
    Guard("UIF.015-02", [&] {});
}

}  // namespace kestrune
