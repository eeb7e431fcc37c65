#pragma once
// The autostart value "KV.Kestrune" in the Run keys of all users and of this user.

namespace kestrune {

// Brings the Run keys in line with AutorunMode (0 none, 1 all users, 2 this user).
void ApplyAutorunMode();

}  // namespace kestrune
