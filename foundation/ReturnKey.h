#pragma once
// The Return key as the windows of the platform the program comes from have it: it clicks the
// push button that has the focus, and no push button is a default that Return reaches from
// another control. Message boxes keep their default button.

namespace kestrune {

// Installs the rule for every window of the application (once; later calls do nothing).
void MakeReturnClickTheFocusedButton();

}  // namespace kestrune
