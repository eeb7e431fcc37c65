#include "checks/NewVersionRunState.h"

#include "foundation/core/ProgramValues.h"

namespace kestrune {

bool NewVersionWindowOpen = false;

const ProgramValues newVersionRunValues([] { NewVersionWindowOpen = false; });

}  // namespace kestrune
