#pragma once
// The host window's hidden include panel: the carrier frames and the check timers.

class QWidget;

namespace kestrune {

// Gives the panel the components it carries (timers TimerUCNV, TimerUCAC, TimerUTZMSG; frames
// FrameLangComponents1 with its four memos, FrameUProcedures1, FrameTUAU1), found by name.
// Components already there are kept.
void CreateIncludePanelComponents(QWidget* panel);

}  // namespace kestrune
