// A window opened over the settings window (a modal window that stays on top) must not open
// behind the window it blocks.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include "foundation/UniversalProcedures.h"

namespace {

bool StaysOnTopWhenOpenedOver(Qt::WindowFlags openFlags) {
    QDialog open(nullptr, openFlags);
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        QWidget window;
        kestrune::KeepAboveOpenModalWindow(&window);
        onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        open.reject();
    });
    open.exec();
    return onTop;
}

TEST(KeepAboveOpenModalWindow, FollowsTheOpenModalWindow) {
    EXPECT_TRUE(StaysOnTopWhenOpenedOver(Qt::Dialog | Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(StaysOnTopWhenOpenedOver(Qt::Dialog));
    QWidget alone;
    kestrune::KeepAboveOpenModalWindow(&alone);
    EXPECT_FALSE(alone.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

}  // namespace
