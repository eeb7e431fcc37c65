#include "agent/Pellmark.h"

namespace pellmark {

// Placeholder until the agent lands.
int PellmarkMain(int, char**) { return 0; }

}  // namespace pellmark
