#pragma once
// The application's hint pauses: how long the mouse rests on a control before its hint shows,
// and how long the hint then stays.

namespace kestrune {

// pauseMs: the rest before a hint shows. hidePauseMs: how long it stays; -1 keeps it until the
// mouse leaves the control (or a key or a click ends it). Laid over whatever style the
// application has, so that a style installed before (or after, over this one) keeps its own answers.
void SetHintPauses(int pauseMs, int hidePauseMs);

}  // namespace kestrune
