// The settings-window job in whole starts in this process, its window driven by component name.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <map>

#include "checks/UnitAutoUpdate.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/ProgramValues.h"
#include "host/IncludeModules.h"
#include "host/Settings.h"
#include "platform/Network.h"
#include "tests/host/HostTestSupport.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::WriteFile;

namespace {

const std::vector<std::string> kSettingsStart{"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"};

void Click(QWidget* window, const char* button) {
    auto* found = window->findChild<QPushButton*>(button);
    ASSERT_NE(found, nullptr) << button;
    QTest::mouseClick(found, Qt::LeftButton);
}

class SettingsWindowStart : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramValuesForTesting(); }
    void TearDown() override { ResetProgramValuesForTesting(); }
    std::string autorunSettings() const { return program_.app() + "/Settings/UARSettings.ini"; }
    hosttest::ScratchProgram program_;
};

// OK saves (the autostart settings file goes, the mode stays), Cancel and Esc reload (the file
// goes and the mode is reset), and any other close neither saves nor reloads.
TEST_F(SettingsWindowStart, EachWayOutSavesReloadsOrNeither) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> close;
        bool fileDeleted;
        int modeAfter;
    };
    const std::vector<Case> cases{
        {"Ok", [](QWidget* w) { Click(w, "ButtonOk"); }, true, 5},
        {"Cancel", [](QWidget* w) { Click(w, "ButtonCancel"); }, true, 0},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, true, 0},
        {"PlainClose", [](QWidget* w) { w->close(); }, false, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool seen = false;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            seen = true;
            EXPECT_TRUE(BusyFlag);
            EXPECT_TRUE(SettingsFrameShown);
            EXPECT_EQ(SettingsFrame.data(), window->findChild<TUFrame1*>("UFrame11"));
            EXPECT_EQ(window->windowTitle(), "Program settings...") << "translated into the language of P4";
            // Changes made while the window is open, which only a save or a reload touches.
            AutorunMode = 5;
            WriteFile(autorunSettings(), "[Settings]\r\n");
            c.close(window);
        });
        EXPECT_EQ(program_.Start(kSettingsStart), 0);
        EXPECT_TRUE(seen);
        EXPECT_EQ(FileExists(autorunSettings()), !c.fileDeleted);
        EXPECT_EQ(AutorunMode, c.modeAfter);
        EXPECT_FALSE(BusyFlag);
        EXPECT_FALSE(SettingsFrameShown);
        EXPECT_EQ(FormSettings, nullptr) << "the window frees itself when it closes";
    }
    EXPECT_TRUE(program_.boxes().empty());
}

// The About window and the page of other programs open any number of times while the settings
// window stays open; each About window is a new one, and BusyFlag stays the job's.
TEST_F(SettingsWindowStart, AboutAndOtherProgramsOpenRepeatedly) {
    WriteFile(program_.app() + "/Language/English/Help/OtherSoft.htm", "<html></html>");
    int aboutShown = 0;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        for (int round = 0; round < 2; ++round) {
            program_.WhenModal("UFormAbout", [&](QWidget* about) {
                ++aboutShown;
                Click(about, "ButtonOk");
            });
            Click(window, "Button1");
            EXPECT_EQ(aboutShown, round + 1);
            EXPECT_TRUE(BusyFlag);
            EXPECT_EQ(QApplication::activeModalWidget(), window);
            Click(window, "Button6");
        }
        Click(window, "ButtonOk");
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_EQ(aboutShown, 2);
    ASSERT_EQ(program_.openedUrls().size(), 2u);
    for (const std::string& url : program_.openedUrls())
        EXPECT_EQ(url, "file://" + program_.app() + "/Language/English/Help/OtherSoft.htm");
}

QPushButton* Button(QWidget* window, const char* name) {
    auto* found = window->findChild<QPushButton*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Return clicks the button that has the focus, whichever it is (the frame's check-now button
// included), and no other; no button is a default that Return would reach from elsewhere.
TEST_F(SettingsWindowStart, ReturnClicksTheFocusedButton) {
    WriteFile(program_.app() + "/Language/English/Help/OtherSoft.htm", "<html></html>");
    // Offline the start's check only waits, so check-now is not greyed for a running agent.
    platform::SetNetworkConnectedForTesting(0);
    for (const char* closing : {"ButtonOk", "ButtonCancel"}) {
        SCOPED_TRACE(closing);
        VersionCheckBegun = false;
        std::map<std::string, int> clicks;
        program_.WhenModal("FormSettings", [&](QWidget* window) {
            QApplication::setActiveWindow(window);
            const char* names[] = {"ButtonOk", "ButtonCancel", "Button6", "Button1", "Button2"};
            std::vector<std::unique_ptr<QSignalSpy>> spies;
            for (const char* name : names) {
                QPushButton* button = Button(window, name);
                EXPECT_FALSE(button->isDefault() || button->autoDefault()) << name;
                spies.push_back(std::make_unique<QSignalSpy>(button, &QPushButton::clicked));
            }
            auto pressReturnOn = [&](const char* name, Qt::Key key) {
                QPushButton* button = Button(window, name);
                button->setFocus(Qt::TabFocusReason);
                EXPECT_EQ(window->focusWidget(), button) << name;
                QTest::keyClick(button, key);
                for (std::size_t i = 0; i < spies.size(); ++i) clicks[names[i]] = static_cast<int>(spies[i]->count());
            };
            program_.WhenModal("UFormAbout", [](QWidget* about) { Click(about, "ButtonOk"); });
            pressReturnOn("Button2", Qt::Key_Return);
            EXPECT_EQ(clicks["Button2"], 1);
            EXPECT_EQ(clicks["ButtonOk"] + clicks["ButtonCancel"] + clicks["Button6"] + clicks["Button1"], 0);
            pressReturnOn("Button6", Qt::Key_Enter);
            EXPECT_EQ(clicks["Button6"], 1);
            pressReturnOn("Button1", Qt::Key_Return);
            EXPECT_EQ(clicks["Button1"], 1);
            EXPECT_TRUE(window->isVisible()) << "none of these closes the window";
            AutorunMode = 5;
            WriteFile(autorunSettings(), "[Settings]\r\n");
            pressReturnOn(closing, Qt::Key_Return);
        });
        EXPECT_EQ(program_.Start(kSettingsStart), 0);
        EXPECT_EQ(clicks[closing], 1);
        EXPECT_EQ(clicks["ButtonOk"] + clicks["ButtonCancel"], 1) << "only the focused one";
        EXPECT_FALSE(FileExists(autorunSettings()));
        EXPECT_EQ(AutorunMode, closing == std::string("ButtonOk") ? 5 : 0) << "OK saves, Cancel reloads";
    }
    platform::SetNetworkConnectedForTesting(-1);
}

// Whatever a window manager still does: a minimised window comes back by itself and stays the
// modal window; its close is the Esc key (Cancel); either way the run ends as the buttons end it.
TEST_F(SettingsWindowStart, WindowManagerMinimiseAndCloseLeaveNoHiddenProcess) {
    const Qt::WindowFlags flags = TFormSettings().windowFlags();
    for (const Qt::WindowType box : {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                                     Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint})
        EXPECT_FALSE(flags.testFlag(box)) << "the title bar offers no box";
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowTitleHint));

    bool restored = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        window->setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(testsupport::WaitFor(
            "the minimised window to come back by itself",
            [&] { return !(window->windowState() & Qt::WindowMinimized); }, testsupport::TurnEventLoop));
        restored = window->isVisible() && QApplication::activeModalWidget() == window;
        Click(window, "ButtonOk");
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_TRUE(restored);

    program_.WhenModal("FormSettings", [&](QWidget* window) {
        AutorunMode = 5;
        WriteFile(autorunSettings(), "[Settings]\r\n");
        ASSERT_NE(window->windowHandle(), nullptr);
        QCloseEvent close;  // as the window system asks, through the native window
        QCoreApplication::sendEvent(window->windowHandle(), &close);
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_EQ(AutorunMode, 0) << "reloaded, as Cancel does";
    EXPECT_FALSE(FileExists(autorunSettings()));
    EXPECT_EQ(FormSettings, nullptr);
}

// A window opened above the settings window and minimised by the window manager comes back; once
// it is closed, the settings window answers Esc (Cancel) again.
TEST_F(SettingsWindowStart, AMinimisedAboutWindowComesBackAndTheSettingsWindowAnswersEsc) {
    bool cameBack = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        AutorunMode = 5;
        program_.WhenModal("UFormAbout", [&](QWidget* about) {
            about->showMinimized();
            cameBack =
                QTest::qWaitFor([&] { return about->isVisible() && !(about->windowState() & Qt::WindowMinimized); },
                                testsupport::kStateDeadlineMs);
            Click(about, "ButtonOk");
        });
        Click(window, "Button1");
        QTest::keyClick(window, Qt::Key_Escape);
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_TRUE(cameBack) << "awaited the minimised About window back";
    EXPECT_EQ(AutorunMode, 0) << "Esc reloaded, as Cancel does";
    EXPECT_EQ(FormSettings, nullptr);
}

// The host window is never put on the screen, while its show, timers and job run as designed.
TEST_F(SettingsWindowStart, HostWindowNeverReachesTheScreen) {
    bool checked = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        ASSERT_TRUE(HostForm);
        EXPECT_TRUE(HostForm->isVisible()) << "shown as far as the program goes";
        EXPECT_TRUE(HostForm->windowHandle() == nullptr || !HostForm->windowHandle()->isVisible())
            << "but never mapped";
        checked = true;
        Click(window, "ButtonCancel");
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_TRUE(checked);
}

// Hints come after a rest of 100 ms, not Qt's 700, and stay until the mouse leaves the control.
TEST_F(SettingsWindowStart, HintsShowSoonAndStayUntilTheMouseLeaves) {
    bool checked = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        QApplication::setActiveWindow(window);
        QPushButton* ok = Button(window, "ButtonOk");
        EXPECT_EQ(ok->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, ok), 100);
        EXPECT_GE(ok->toolTipDuration(), 24 * 3600 * 1000) << "Qt would take it away after ten seconds";
        // From a place without a hint onto the button, whatever an earlier start left the mouse on.
        QTest::mouseMove(window, QPoint(2, 2));
        QTest::mouseMove(ok, ok->rect().center() + QPoint(1, 1));
        EXPECT_TRUE(testsupport::WaitFor(
            "the hint after the rest", [] { return QToolTip::isVisible(); }, testsupport::TurnEventLoop));
        EXPECT_EQ(QToolTip::text(), "Close the window and save the changes");
        QTest::mouseMove(window, QPoint(2, 2));
        EXPECT_TRUE(testsupport::WaitFor(
            "the hint to go when the mouse leaves", [] { return !QToolTip::isVisible(); }, testsupport::TurnEventLoop))
            << "gone when the mouse leaves: " << QToolTip::text().toStdString() << " under "
            << (QApplication::widgetAt(QCursor::pos())
                    ? QApplication::widgetAt(QCursor::pos())->objectName().toStdString()
                    : "-");
        checked = true;
        Click(window, "ButtonCancel");
    });
    EXPECT_EQ(program_.Start(kSettingsStart), 0);
    EXPECT_TRUE(checked);
}

// No mode but a program name opens the settings window as mode 1 does.
TEST_F(SettingsWindowStart, NoModeWithProgramNameOpensTheWindow) {
    bool seen = false;
    program_.WhenModal("FormSettings", [&](QWidget* window) {
        seen = true;
        Click(window, "ButtonCancel");
    });
    EXPECT_EQ(program_.Start({"", "Prog", "2.0", "English"}), 0);
    EXPECT_TRUE(seen);
}

// The layout the language packs and the users rely on: names, design texts, places, flags.
TEST(SettingsWindowLayout, ComponentsAsDesigned) {
    auto* window = new TFormSettings();
    struct Component {
        const char* name;
        QRect bounds;
        const char* text;
        const char* hint;
    };
    const std::vector<Component> components{
        {"ButtonOk", {350, 134, 89, 22}, "Ok", "Закрыть окно и сохранить изменения"},
        {"ButtonCancel", {445, 134, 89, 22}, "Отмена", "Закрыть окно и отменить изменения"},
        {"Button6", {147, 134, 184, 22}, "Другие программы Dravelo...", ""},
        {"Button1", {9, 134, 132, 22}, "О программе...", ""},
    };
    for (const Component& c : components) {
        SCOPED_TRACE(c.name);
        auto* button = window->findChild<QPushButton*>(c.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), c.bounds);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(c.hint));
    }
    auto* scrollBox = window->findChild<QWidget*>("ScrollBox4");
    ASSERT_NE(scrollBox, nullptr);
    EXPECT_EQ(scrollBox->geometry(), QRect(6, 7, 529, 122));
    auto* frame = window->findChild<TUFrame1*>("UFrame11");
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(scrollBox->isAncestorOf(frame));
    EXPECT_EQ(frame->geometry(), QRect(4, 3, 517, 112));
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Настройки программы..."));
    EXPECT_EQ(window->size(), QSize(540, 162));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    // Tab order: Button6, ButtonOk, ButtonCancel, the scroll box, Button1.
    EXPECT_EQ(window->findChild<QWidget*>("Button6")->nextInFocusChain(), window->findChild<QWidget*>("ButtonOk"));
    EXPECT_EQ(window->findChild<QWidget*>("ButtonOk")->nextInFocusChain(), window->findChild<QWidget*>("ButtonCancel"));
    window->close();
}

// The whole Tab cycle: Button6, ButtonOk, ButtonCancel, the frame's controls in the scroll box
// (the check-now button among them; the box itself is no stop), Button1, and round again.
TEST(SettingsWindowLayout, TabWalksTheWholeCycleInTheDesignedOrder) {
    // The frame's controls take the focus only while the check can run and is switched on.
    VersionAgentPresent = true;
    VersionCheckEnabled = true;
    auto* window = new TFormSettings();
    window->show();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* frame = window->findChild<QWidget*>("UFrame11");
    EXPECT_EQ(window->focusWidget(), window->findChild<QWidget*>("Button6")) << "the first stop has the focus";
    std::vector<QString> stops;
    for (int step = 0; step < 12; ++step) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        QWidget* now = window->focusWidget();
        ASSERT_NE(now, nullptr);
        stops.push_back(frame->isAncestorOf(now) ? "frame:" + now->objectName() : now->objectName());
        if (now->objectName() == "Button6") break;
    }
    ASSERT_GE(stops.size(), 5u);
    EXPECT_EQ(stops[0], "ButtonOk");
    EXPECT_EQ(stops[1], "ButtonCancel");
    // The frame's controls in their own order: check at start, online only, interval, check now.
    const std::vector<QString> frameStops{"frame:CheckBox7", "frame:CheckBox1", "frame:NTCComboBox4", "frame:Button2"};
    ASSERT_EQ(stops.size(), 2 + frameStops.size() + 2);
    for (std::size_t i = 0; i < frameStops.size(); ++i) EXPECT_EQ(stops[2 + i], frameStops[i]);
    EXPECT_EQ(stops[stops.size() - 2], "Button1");
    EXPECT_EQ(stops.back(), "Button6");
    window->close();
}

}  // namespace
