#include "language/ClickMemo.h"

namespace kestrune {

TClickMemo::TClickMemo(QWidget* parent) : QPlainTextEdit(parent) {
    // One list entry per line however long it is.
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void TClickMemo::Click(QObject* sender) { emit Clicked(sender); }

}  // namespace kestrune
