#pragma once
// The host window's hidden include panel: the carrier frames and the check timers.

class QTimer;
class QWidget;

namespace kestrune {

// Gives the panel the components it carries (timers TimerUCNV, TimerUCAC, TimerUTZMSG; frames
// FrameLangComponents1 with its four memos, FrameUProcedures1, FrameTUAU1), found by name.
// Components already there are kept.
void CreateIncludePanelComponents(QWidget* panel);

// The new-version check's driver, fired by TimerUCNV: at 500 ms it polls the agent's answer and
// takes it; at any other interval it waits for a connection and then starts the agent.
void TimerUCNVTimer(QTimer* timer);

}  // namespace kestrune
