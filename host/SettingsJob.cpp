#include "host/SettingsJob.h"

#include "foundation/UniversalProcedures.h"

namespace kestrune {

// Placeholder until the settings window lands.
void RunSettingsWindowJob() {
    BusyFlag = true;
    BusyFlag = false;
}

}  // namespace kestrune
