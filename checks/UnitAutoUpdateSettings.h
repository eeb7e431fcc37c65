#pragma once
// The update settings frame: the settings of the new-version check, its check-now button and
// its status line.

#include <cstdint>

#include "language/TUFrame.h"

class QLabel;
class QPushButton;
class QTimer;

namespace kestrune {

class TUFrame1 : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrame1(QWidget* parent = nullptr);

    QPushButton* Button2 = nullptr;  // "Проверить сейчас"
    QLabel* Panel2 = nullptr;        // the status line

    // The twin of AutoUpdateAction that keeps the frame's controls in step.
    void ULaunchCheck(int action, std::intptr_t arg, QTimer* timer);
    // Check now, first half: forgets the last check so that the next one is due.
    void Button2Click();
};

}  // namespace kestrune
