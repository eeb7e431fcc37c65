// A window manager may minimise a modal window whatever its title bar offers (openbox does):
// every modal window and every box of the program comes back by itself, and the window under it
// answers again once it is closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "foundation/ModalWindows.h"
#include "foundation/UniversalProcedures.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune;

// Runs action once on the first modal window above owner.
void WhenAbove(QWidget* owner, std::function<void(QWidget*)> action) {
    auto* poll = new QTimer(owner);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, owner, action = std::move(action)] {
        QWidget* shown = QApplication::activeModalWidget();
        if (!shown || shown == owner) return;
        poll->stop();
        action(shown);
    });
    poll->start();
}

TEST(MinimisedModalWindow, ComesBackAndItsOwnerAnswersEscAfterwards) {
    const struct {
        const char* name;
        std::function<void(QWidget* owner)> open;
    } cases[] = {
        {"box", [](QWidget* owner) { ShowMessageBox(owner, "Text", "Caption", "info", kMbSystemModal); }},
        {"dialog",
         [](QWidget* owner) { ShowFormModal(false, owner, [] { return static_cast<QWidget*>(new QDialog()); }); }},
        {"window",
         [](QWidget* owner) { ShowFormModal(false, owner, [] { return static_cast<QWidget*>(new QWidget()); }); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDialog owner;
        bool cameBack = false;
        bool ownerBlocked = false;
        bool opened = false;
        QTimer::singleShot(0, &owner, [&] {
            WhenAbove(&owner, [&](QWidget* shown) {
                shown->showMinimized();
                cameBack =
                    QTest::qWaitFor([&] { return shown->isVisible() && !(shown->windowState() & Qt::WindowMinimized); },
                                    testsupport::kStateDeadlineMs);
                ownerBlocked = QApplication::activeModalWidget() == shown;
                if (auto* dialog = qobject_cast<QDialog*>(shown)) dialog->reject();
                else shown->close();
            });
            c.open(&owner);
            opened = true;
            QTest::keyClick(&owner, Qt::Key_Escape);
        });
        // A window that never came back would leave this loop waiting: it is closed with a failure.
        QTimer::singleShot(2 * testsupport::kStateDeadlineMs, &owner, [&] {
            if (QWidget* shown = QApplication::activeModalWidget(); shown && shown != &owner) shown->close();
            owner.reject();
            ADD_FAILURE() << "the window did not come back";
        });
        owner.exec();
        EXPECT_TRUE(cameBack) << "awaited the minimised window back";
        EXPECT_TRUE(ownerBlocked) << "it stays the modal window";
        EXPECT_TRUE(opened);
        EXPECT_FALSE(owner.isVisible()) << "the owner answered Esc";
        EXPECT_FALSE(BusyFlag);
    }
}

}  // namespace

namespace {

// While the program's thread is held (busy with a transfer, say), the window system's news of a
// minimise waits in its queue. Whatever ends the stretch first, the end of the stretch itself or
// a box that opens above the window, the window is shown normally again, and the box is on
// screen above a window that is.
TEST(MinimisedModalWindow, AWindowMinimisedWhileTheProgramWasBusyComesBack) {
    const struct {
        const char* name;
        bool byBox;  // false: the stretch's end brings it back
    } cases[] = {{"the end of the stretch", false}, {"a box opened above it", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDialog owner;
        bool normalAtTheEnd = false, normalUnderTheBox = false;
        const auto shownNormally = [&owner] {
            return owner.isVisible() && !(owner.windowState() & Qt::WindowMinimized) &&
                   !(owner.windowHandle()->windowStates() & Qt::WindowMinimized);
        };
        QTimer::singleShot(0, &owner, [&] {
            // The minimise as the window system makes it while nothing answers.
            owner.windowHandle()->setWindowStates(Qt::WindowMinimized);
            if (c.byBox) {
                WhenAbove(&owner, [&](QWidget* box) {
                    // The window system's news of the minimise may reach the window only once the
                    // box's loop runs; the window is back while the box is still up.
                    normalUnderTheBox = QTest::qWaitFor(shownNormally, testsupport::kStateDeadlineMs);
                    box->close();
                });
                ShowMessageBox(&owner, "Text", "Caption", "error", kMbSystemModal);
            } else {
                ComeBackAfterUnansweredStretch();
                normalAtTheEnd = shownNormally();
            }
            owner.reject();
        });
        ExecModal(owner);
        EXPECT_EQ(normalAtTheEnd, !c.byBox);
        EXPECT_EQ(normalUnderTheBox, c.byBox);
    }
}

}  // namespace
