#include "language/TUFrame.h"

namespace kestrune {

TUFrame::TUFrame(QWidget* parent) : QFrame(parent) {}

}  // namespace kestrune
