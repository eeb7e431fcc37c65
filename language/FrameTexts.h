#pragma once
// Capture and translation of a frame on its own (a window's walk stops at a frame).

class QWidget;

namespace kestrune {

void CaptureFrameTexts(int mode, QWidget* frame);
void TranslateFramePlain(int mode, QWidget* frame);

}  // namespace kestrune
