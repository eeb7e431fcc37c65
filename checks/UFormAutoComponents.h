#pragma once
// The add-on list check and its window.

#include <QDialog>

#include "foundation/UniversalProcedures.h"

namespace kestrune {

extern bool AddonHelperPresent;
extern bool AddonCheckEnabled;
extern bool AddonCheckOnlineOnly;

class TUFormAutoComponents : public QDialog {
    Q_OBJECT
public:
    explicit TUFormAutoComponents(QWidget* parent = nullptr);

    // Whether the agent left a new list.
    static bool CheckNewFile();
    static void CheckEndCheckedWF();
    static void LaunchCheckUAC(bool manual);
    static void LoadParametrsUAC(WindowHandle owner);
};

}  // namespace kestrune
