#include "language/UFrameHlpBtn.h"

#include <QPushButton>

#include "foundation/core/Guard.h"

namespace kestrune {

// Placeholder until the help button frame lands: its two buttons, no menu.
TUFrameHlpBtn::TUFrameHlpBtn(QWidget* parent) : TUFrame(parent) {
    setObjectName("TUFrameHlpBtn");
    HlpBtn = new QPushButton(this);
    HlpBtn->setObjectName("HlpBtn");
    BitBtn1 = new QPushButton(this);
    BitBtn1->setObjectName("BitBtn1");
}

void TUFrameHlpBtn::InitPopUpMenu(QObject*) {
    Guard("UHB.004-01", [&] {});
}

}  // namespace kestrune
