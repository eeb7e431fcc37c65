// Return clicks the focused push button in every window, and no button is a default that Return
// reaches from another control; message boxes keep their default button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/ReturnKey.h"

namespace {

TEST(ReturnKey, ClicksTheFocusedButtonAndNoDefault) {
    kestrune::MakeReturnClickTheFocusedButton();
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    auto* first = new QPushButton("first", &dialog);
    auto* second = new QPushButton("second", &dialog);
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(first), static_cast<QWidget*>(second)})
        layout->addWidget(w);
    QSignalSpy firstClicks(first, &QPushButton::clicked);
    QSignalSpy secondClicks(second, &QPushButton::clicked);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_FALSE(first->isDefault() || first->autoDefault() || second->isDefault() || second->autoDefault());

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(firstClicks.count() + secondClicks.count(), 0) << "Return in an edit reaches no default button";
    second->setFocus();
    QTest::keyClick(second, Qt::Key_Return);
    QTest::keyClick(second, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(secondClicks.count(), 2);
    EXPECT_EQ(firstClicks.count(), 0);
    QTest::keyClick(second, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(secondClicks.count(), 2) << "Ctrl+Return is no click";
}

TEST(ReturnKey, MessageBoxesKeepTheirDefaultButton) {
    kestrune::MakeReturnClickTheFocusedButton();
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    QTimer::singleShot(0, &box, [&box] {
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        QTest::keyClick(&box, Qt::Key_Return);
    });
    QTimer::singleShot(3000, &box, [&box] {
        ADD_FAILURE() << "Return reached no default button";
        box.done(-1);
    });
    EXPECT_EQ(box.exec(), QMessageBox::No);
}

}  // namespace
