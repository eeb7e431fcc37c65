#pragma once
// The connection test: whether the computer is on a network at all. No Qt.

namespace platform {

// True when a network interface other than loopback is up and running, or when that cannot be
// told. KESTRUNE_INTERNET in the environment answers instead ("0" offline, any other text
// online), and the state a test set answers before both.
bool NetworkConnected();
// For tests: -1 the system's answer, 0 offline, 1 online. Answers the state it replaced.
int SetNetworkConnectedForTesting(int state);

}  // namespace platform
