#include "foundation/SettingsLocationFlags.h"

#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool MustSetFilesInAppData = false;
bool UseAppData = false;

const ProgramValues locationFlags([] {
    MustSetFilesInAppData = false;
    UseAppData = false;
});

}  // namespace kestrune
