#include "checks/UnitAutoUpdateSettings.h"

#include <QLabel>
#include <QPushButton>

#include "checks/UnitAutoUpdate.h"
#include "foundation/core/Guard.h"

namespace kestrune {

// Placeholder until the update settings frame lands: the check-now button and the status line.
TUFrame1::TUFrame1(QWidget* parent) : TUFrame(parent) {
    setObjectName("TUFrame1");
    resize(517, 112);
    Button2 = new QPushButton(QString::fromUtf8("Проверить сейчас"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(8, 60, 120, 22);
    Panel2 = new QLabel(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, 92, 517, 20);
}

void TUFrame1::ULaunchCheck(int, std::intptr_t, QTimer*) {
    Guard("AUS.002-01", [&] { Panel2->setText(QString::fromStdString(UpdateStatusText)); });
}

void TUFrame1::Button2Click() {
    Guard("AUS.004-01", [&] {});
}

}  // namespace kestrune
