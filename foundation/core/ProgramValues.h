#pragma once
// Program-wide values return to their start values through one call. Each unit that keeps such
// values declares one ProgramValues object beside their definitions with the reset of all of
// them; a new start in the same process (the tests) runs every reset at once, so that nothing
// one run leaves behind reaches the next.
//
//     bool BusyFlag = false;
//     const ProgramValues busyValues([] { BusyFlag = false; });

namespace kestrune {

class ProgramValues {
public:
    using Reset = void (*)();
    // Registers the unit's reset; runs nothing now.
    explicit ProgramValues(Reset reset);
};

// Runs every registered reset. Only a unit that is linked into the program registers one, and
// only such a unit has values to reset.
void ResetProgramValuesForTesting();

}  // namespace kestrune
