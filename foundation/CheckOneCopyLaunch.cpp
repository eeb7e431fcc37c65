#include "foundation/CheckOneCopyLaunch.h"

#include "foundation/core/Guard.h"

namespace kestrune {

// Placeholder until the single-instance check lands: no other copy is ever found.
bool CheckSingleInstance(bool, WindowHandle, QWidget*) {
    bool result = true;
    Guard("COL.004-02", [&] {});
    return result;
}

}  // namespace kestrune
