#pragma once
// The host window's hidden include panel: the carrier frames, the check timers and the
// re-translation that follows every language load.

class QTimer;
class QObject;
class QWidget;

namespace kestrune {

// Gives the panel the components it carries (timers TimerUCNV, TimerUCAC, TimerUTZMSG; the
// carrier frames FrameLangComponents1, FrameUProcedures1, FrameTUAU1), found by name, and binds
// the working list's memo to the re-translation. Components already there are kept.
void CreateIncludePanelComponents(QWidget* panel);

// The new-version check's driver, fired by TimerUCNV: at 500 ms it polls the agent's answer and
// takes it; at any other interval it waits for a connection and then starts the agent.
void TimerUCNVTimer(QTimer* timer);
// The re-translation fan-out, run after every language load: the host window, the carrier
// frames (which then copy their texts into the message texts), an open settings frame and
// window, and the host's help controls.
void FrameLangComponents1MChoseLanClick(QWidget* panel, QObject* sender);

}  // namespace kestrune
