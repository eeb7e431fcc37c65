#pragma once
// The update settings frame: the settings of the new-version check (check at start, the minimum
// interval, online only), its check-now button and its status line. The frame changes only the
// check's values in memory; the settings window's OK stores them and its Cancel reads them back.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <memory>

#include "language/TUFrame.h"

class QTimer;

namespace Ui {
class TUFrame1;
}

namespace kestrune {

class TUFrame1 : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrame1(QWidget* parent = nullptr);
    ~TUFrame1() override;

    QFrame* Panel1 = nullptr;           // holds every control
    QLabel* NTCPanelACNV2 = nullptr;    // the title bar
    QLabel* Label3 = nullptr;           // the title text on it
    QCheckBox* CheckBox7 = nullptr;     // check at start
    QCheckBox* CheckBox1 = nullptr;     // online only
    QLabel* Label7 = nullptr;           // caption of the interval list
    QComboBox* NTCComboBox4 = nullptr;  // the minimum interval (item index = interval index)
    QPushButton* Button2 = nullptr;     // "Проверить сейчас"
    QLabel* Panel2 = nullptr;           // the status line

    // With a new version known (its description is there) the check at start is switched off
    // and its box greyed.
    void Disabled();
    // The twin of AutoUpdateAction that keeps the frame's controls in step: 0 poll, 1 begin (arg:
    // manual), 2 stop, 3 announce again, 4 save, 5 load (arg: owner window), 6 fill the controls
    // from the check's values, any other number the status line only.
    void ULaunchCheck(int action, std::intptr_t arg, QTimer* timer);
    void CheckBox7Click();
    // Check now, first half: forgets the last check so that the next one is due.
    void Button2Click();
    void NTCComboBox4Change();
    void CheckBox1Click();

private:
    // The status recomputed as done, shown in the status line.
    void ShowStatus();
    std::unique_ptr<Ui::TUFrame1> ui_;
};

}  // namespace kestrune
