// The settings-window job in whole starts in this process, its window driven by component name.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/ProgramValues.h"
#include "host/IncludeModules.h"
#include "host/Settings.h"
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

}  // namespace
