#include "foundation/ReturnKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace kestrune {
namespace {

bool KeepsItsDefault(const QWidget* window) { return qobject_cast<const QMessageBox*>(window) != nullptr; }

class ReturnKeyFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            // Before a dialog picks its first automatic default, which it does right after this.
            auto* window = qobject_cast<QWidget*>(watched);
            if (window && window->isWindow() && !KeepsItsDefault(window)) {
                for (QPushButton* button : window->findChildren<QPushButton*>()) {
                    button->setAutoDefault(false);
                    button->setDefault(false);
                }
            }
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            auto* button = qobject_cast<QPushButton*>(watched);
            if (enter && button && (key->modifiers() | Qt::KeypadModifier) == Qt::KeypadModifier &&
                !KeepsItsDefault(button->window())) {
                if (button->isEnabled()) button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void MakeReturnClickTheFocusedButton() {
    static QPointer<ReturnKeyFilter> installed;
    if (!qApp || installed) return;
    installed = new ReturnKeyFilter(qApp);
    qApp->installEventFilter(installed);
}

}  // namespace kestrune
