#include "tests/support/TextsFit.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>

namespace testsupport {
namespace {

// How far to the right of a component's left edge its text reaches.
int TextReach(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget);
        label && !label->wordWrap() && (label->alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignLeft) {
        int reach = 0;
        for (const QString& line : label->text().split('\n'))
            reach = std::max(reach, label->fontMetrics().horizontalAdvance(line));
        return label->contentsRect().left() + reach;
    }
    return widget.width();
}

void ExpectWhole(QWidget& widget, const std::string& name) {
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        EXPECT_GE(button->width(), button->sizeHint().width()) << name << ": " << button->text().toStdString();
        EXPECT_GE(button->height(), button->sizeHint().height()) << name << ": " << button->text().toStdString();
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        const QRect inside = label->contentsRect();
        if (label->wordWrap()) {
            EXPECT_GE(inside.height(), label->heightForWidth(label->width()) - 2 * label->frameWidth())
                << name << ": " << label->text().toStdString();
            return;
        }
        const QStringList lines = label->text().split('\n');
        int width = 0;
        for (const QString& line : lines) width = std::max(width, label->fontMetrics().horizontalAdvance(line));
        EXPECT_GE(inside.width(), width) << name << ": " << label->text().toStdString();
        EXPECT_GE(inside.height(), static_cast<int>(lines.size()) * label->fontMetrics().height())
            << name << ": " << label->text().toStdString();
    } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
        // Wide enough for its longest entry, high enough for its line.
        EXPECT_GE(combo->width(), combo->sizeHint().width()) << name << ": " << combo->currentText().toStdString();
        EXPECT_GE(combo->height(), combo->sizeHint().height()) << name << ": " << combo->currentText().toStdString();
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(&widget)) {
        // Laid out at its width, every line of the memo is within its viewport.
        const QSizeF lines = memo->document()->documentLayout()->documentSize();
        const int needed = static_cast<int>(lines.height()) * memo->fontMetrics().lineSpacing() +
                           2 * static_cast<int>(memo->document()->documentMargin());
        EXPECT_GE(memo->viewport()->height(), needed) << name << ": " << memo->toPlainText().toStdString();
    }
}

bool HasText(const QWidget& widget) {
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) return !button->text().isEmpty();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) return !label->text().isEmpty();
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return combo->count() > 0;
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(&widget))
        return memo->isReadOnly() && !memo->document()->isEmpty();
    return false;
}

}  // namespace

void ExpectTextsFit(QWidget& window, const std::vector<const QWidget*>& skip) {
    // Laid out as shown: memos wrap their lines at their width.
    window.show();
    QApplication::processEvents();
    std::vector<QWidget*> texts;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->objectName().isEmpty() || child->objectName().startsWith("qt_") || !child->isVisibleTo(&window))
            continue;
        if (std::any_of(skip.begin(), skip.end(),
                        [&](const QWidget* s) { return s == child || s->isAncestorOf(child); }))
            continue;
        if (!HasText(*child)) continue;
        const std::string name = child->objectName().toStdString();
        ExpectWhole(*child, name);
        // Inside its container and inside the window.
        const QRect inParent = child->geometry();
        const QWidget* parent = child->parentWidget();
        EXPECT_TRUE(QRect(QPoint(0, 0), parent->size()).contains(inParent))
            << name << " " << inParent.x() << "," << inParent.y() << " " << inParent.width() << "x" << inParent.height()
            << " in " << parent->objectName().toStdString() << " " << parent->width() << "x" << parent->height();
        const QRect inWindow(child->mapTo(&window, QPoint(0, 0)), child->size());
        EXPECT_TRUE(window.rect().contains(inWindow))
            << name << " in a window of " << window.width() << "x" << window.height();
        texts.push_back(child);
    }
    // No text runs into a neighbour: a component beside it starts beyond its text (a component
    // that grew into the row below counts as beside it).
    for (QWidget* a : texts) {
        for (QWidget* b : texts) {
            if (a == b || a->parentWidget() != b->parentWidget()) continue;
            const QRect ra = a->geometry(), rb = b->geometry();
            const bool sameRow = ra.top() <= rb.bottom() && rb.top() <= ra.bottom();
            if (sameRow && ra.left() <= rb.left()) {
                EXPECT_GE(rb.left(), ra.left() + TextReach(*a) + 2)
                    << a->objectName().toStdString() << " runs into " << b->objectName().toStdString();
            }
        }
    }
}

}  // namespace testsupport
