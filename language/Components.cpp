#include "language/Components.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>

#include "language/ClickMemo.h"
#include "language/TUFrame.h"

namespace kestrune {

namespace {

QStringList SplitText(const QString& text) {
    if (text.isEmpty()) return {};
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    return plain.split(QLatin1Char('\n'));
}

QString JoinLines(const QStringList& lines) { return lines.join(QLatin1Char('\n')); }

// The tab widget whose page this widget is, or nullptr.
QTabWidget* TabWidgetOfPage(QWidget* widget) {
    auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs && tabs->indexOf(widget) >= 0 ? tabs : nullptr;
}

// A flag that the program sets as a dynamic property. Asked for every component of a walk, so
// the object's own list of dynamic properties is looked at first: most objects have none, and
// QObject::property(name) would search the class's static properties by name before it.
bool DynamicFlag(const QObject* object, const char* name) {
    const QList<QByteArray> names = object->dynamicPropertyNames();
    if (names.isEmpty() || !names.contains(QByteArrayView(name))) return false;
    return object->property(name).toBool();
}

bool IsCheckList(const QListWidget* list) {
    if (DynamicFlag(list, kCheckListProperty)) return true;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->flags() & Qt::ItemIsUserCheckable) return true;
    }
    return false;
}

bool IsComponentObject(const QObject* object) {
    if (!qobject_cast<const QWidget*>(object) && !qobject_cast<const QAction*>(object)) return false;
    if (qobject_cast<const QMenu*>(object)) return false;  // its menu action stands for it
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void Collect(QObject* parent, std::vector<QObject*>& out) {
    for (QObject* child : parent->children()) {
        if (DynamicFlag(child, kRuntimeItemProperty)) continue;
        if (auto* widget = qobject_cast<QWidget*>(child);
            widget && widget->isWindow() && !qobject_cast<QMenu*>(widget)) {
            continue;  // a window of its own
        }
        if (IsComponentObject(child)) out.push_back(child);
        if (!IsFrame(child)) Collect(child, out);
    }
}

// Caption or text, for the kinds that have one; null when the component has none.
QString ReadCaption(QObject* component) {
    if (auto* label = qobject_cast<QLabel*>(component)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(component)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(component)) return group->title();
    if (auto* action = qobject_cast<QAction*>(component)) return action->text();
    if (auto* edit = qobject_cast<QLineEdit*>(component)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(component)) return combo->currentText();
    if (auto* widget = qobject_cast<QWidget*>(component)) {
        if (QTabWidget* tabs = TabWidgetOfPage(widget)) return tabs->tabText(tabs->indexOf(widget));
    }
    return {};
}

bool WriteCaption(QObject* component, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(component)) label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(component)) button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(component)) group->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(component)) action->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(component)) edit->setText(text);
    else if (auto* widget = qobject_cast<QWidget*>(component); widget && TabWidgetOfPage(widget)) {
        QTabWidget* tabs = TabWidgetOfPage(widget);
        tabs->setTabText(tabs->indexOf(widget), text);
    } else {
        return false;
    }
    return true;
}

QString ReadHint(QObject* component) {
    if (auto* action = qobject_cast<QAction*>(component)) {
        // An action without a tool tip of its own answers its text without "..." and mnemonics.
        QString stripped = action->text();
        stripped.remove(QLatin1String("..."));
        stripped.remove(QLatin1Char('&'));
        stripped = stripped.trimmed();
        if (action->text().isEmpty()) stripped = action->iconText();
        return action->toolTip() == stripped ? QString() : action->toolTip();
    }
    if (auto* widget = qobject_cast<QWidget*>(component)) return widget->toolTip();
    return {};
}

void WriteHint(QObject* component, const QString& hint) {
    if (auto* action = qobject_cast<QAction*>(component)) action->setToolTip(hint);
    else if (auto* widget = qobject_cast<QWidget*>(component)) widget->setToolTip(hint);
}

QString PlainText(QObject* component, bool* isMemo) {
    *isMemo = true;
    if (auto* memo = qobject_cast<TClickMemo*>(component)) return JoinLines(memo->Lines());
    if (auto* memo = qobject_cast<QPlainTextEdit*>(component)) return memo->toPlainText();
    if (auto* memo = qobject_cast<QTextEdit*>(component)) return memo->toPlainText();
    *isMemo = false;
    return {};
}

}  // namespace

bool IsFrame(const QObject* object) {
    return qobject_cast<const TUFrame*>(object) || DynamicFlag(object, kFrameProperty);
}

std::vector<QObject*> OwnComponents(QWidget* root) {
    std::vector<QObject*> components;
    if (root) Collect(root, components);
    return components;
}

ComponentTexts ReadComponentTexts(QObject* component) {
    ComponentTexts texts;
    texts.hint = SplitText(ReadHint(component));
    bool isMemo = false;
    const QString memoText = PlainText(component, &isMemo);
    if (isMemo) {
        texts.text = SplitText(memoText);
    } else if (auto* combo = qobject_cast<QComboBox*>(component); combo && combo->count() > 0) {
        for (int i = 0; i < combo->count(); ++i) texts.text << combo->itemText(i);
    } else if (auto* list = qobject_cast<QListWidget*>(component)) {
        for (int i = 0; i < list->count(); ++i) texts.text << list->item(i)->text();
    } else if (auto* table = qobject_cast<QTableWidget*>(component)) {
        const QTableWidgetItem* title = table->horizontalHeaderItem(0);
        texts.text << (title ? title->text() : QString());
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem* key = table->item(row, 0);
            texts.text << (key ? key->text() : QString());
        }
    } else {
        texts.text = SplitText(ReadCaption(component));
    }
    return texts;
}

void ApplyComponentLines(QObject* component, bool hint, const QStringList& lines) {
    if (lines.isEmpty()) return;
    if (hint) {
        WriteHint(component, JoinLines(lines));
        return;
    }
    if (auto* memo = qobject_cast<TClickMemo*>(component)) {
        memo->SetLines(lines);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(component)) {
        memo->setPlainText(JoinLines(lines));
    } else if (auto* memo = qobject_cast<QTextEdit*>(component)) {
        memo->setPlainText(JoinLines(lines));
    } else if (auto* combo = qobject_cast<QComboBox*>(component)) {
        // The items are rebuilt; the selected index stays, or none when the list got shorter.
        const QSignalBlocker blocker(combo);
        const int selected = combo->currentIndex();
        combo->clear();
        combo->addItems(lines);
        combo->setCurrentIndex(selected < combo->count() ? selected : -1);
    } else if (auto* list = qobject_cast<QListWidget*>(component)) {
        const QSignalBlocker blocker(list);
        if (IsCheckList(list)) {
            // In place, so that the check marks stay; lines beyond the items are ignored.
            const int current = list->currentRow();
            for (int i = 0; i < list->count() && i < lines.size(); ++i) list->item(i)->setText(lines[i]);
            list->setCurrentRow(current);
        } else {
            list->clear();
            list->addItems(lines);
        }
    } else if (auto* table = qobject_cast<QTableWidget*>(component)) {
        // The first line stands for the title row; the following ones are the keys of the rows.
        // The values (second column) are never touched.
        const QSignalBlocker blocker(table);
        for (int row = 0; row < table->rowCount() && row + 1 < lines.size(); ++row) {
            if (QTableWidgetItem* key = table->item(row, 0)) key->setText(lines[row + 1]);
            else table->setItem(row, 0, new QTableWidgetItem(lines[row + 1]));
        }
    } else {
        WriteCaption(component, JoinLines(lines));
    }
}

}  // namespace kestrune
