#include "foundation/core/Product.h"

namespace kestrune {

const char* const kProgramVersionTag = KESTRUNE_PROGRAM_VERSION_TAG;

}  // namespace kestrune
