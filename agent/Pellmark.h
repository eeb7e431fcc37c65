#pragma once
// Pellmark, the check agent: downloads a version description or a list and answers with files.

namespace pellmark {

// The whole agent; answers the exit status (0 on success).
int PellmarkMain(int argc, char** argv);

}  // namespace pellmark
