#include "foundation/core/ProgramValues.h"

#include <vector>

namespace kestrune {
namespace {
std::vector<ProgramValues::Reset>& Resets() {
    static std::vector<ProgramValues::Reset> resets;
    return resets;
}
}  // namespace

ProgramValues::ProgramValues(Reset reset) { Resets().push_back(reset); }

void ResetProgramValuesForTesting() {
    for (const ProgramValues::Reset reset : Resets()) reset();
}

}  // namespace kestrune
