#pragma once
// The first-run language choice.

class QWidget;

namespace kestrune {

// Created at the first showing of the host window when the command line names no language.
void CreateFirstChooseWindow(QWidget* owner);

}  // namespace kestrune
