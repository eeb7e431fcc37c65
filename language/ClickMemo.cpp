#include "language/ClickMemo.h"

namespace kestrune {

TClickMemo::TClickMemo(QWidget* parent) : QWidget(parent) {}

void TClickMemo::Click(QObject* sender) { emit Clicked(sender); }

}  // namespace kestrune
