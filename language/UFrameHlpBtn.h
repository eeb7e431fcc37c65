#pragma once
// The help button frame: the help button and the help-language button with its menu.

#include "language/TUFrame.h"

class QObject;
class QPushButton;

namespace kestrune {

class TUFrameHlpBtn : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameHlpBtn(QWidget* parent = nullptr);

    QPushButton* HlpBtn = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // Rebuilds the help-language menu and checks the current help language.
    void InitPopUpMenu(QObject* sender);
};

}  // namespace kestrune
