#pragma once
// The developer-message check and its window.

namespace kestrune {

struct TUFormUMessage {
    // Shows the page an earlier run downloaded, when there is one.
    static void CheckNewFile();
    // Starts the agent for the next messages when their interval has passed.
    static void LaunchCheckUAC();
};

}  // namespace kestrune
