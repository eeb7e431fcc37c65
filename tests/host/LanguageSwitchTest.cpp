// A change of language through the host window's language menu reaches the host's menu, the
// carrier frames and their message texts, an open settings window and its frame: each text
// exactly once, none left in the language before. And the first-run choice in whole starts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/UniversalProcedures.h"
#include "host/IncludeModules.h"
#include "language/CarrierFrames.h"
#include "language/ClickMemo.h"
#include "language/FirstChoose.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "tests/host/HostTestSupport.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// A third language, written here: every section the switch reaches, a caption of two lines,
// and no text for StatusAU4 (it stays English, the fallback).
const char* const kGermanPack =
    "Deutsch\r\n"
    "< Lang.Pack for KV.Kestrune 1.0 >\r\n"
    "[|FormKestrune|]\r\n<|N9|>\r\nHilfe\r\n"
    "[|FrameUProcedures1|]\r\n<|MsgSErrorCaption|>\r\nWarnung...\r\n"
    "<|MsgSettingsError|>\r\nEinstellungen von %s\r\n%d von %d Werten repariert.\r\n"
    "[|FrameTUAU1|]\r\n<|StatusAU2|>\r\nAbfrage...\r\n"
    "[|UFrame11|]\r\n<|Button2|>\r\nJetzt pruefen\r\n"
    "[|FormSettings|]\r\n<|FormSettings|>\r\nEinstellungen...\r\n<|ButtonOk|>\r\nOk-DE\r\n";

struct Expected {
    const char* language;
    const char* help;           // host's N9
    const char* errorCaption;   // SettingsErrorCaption, from FrameUProcedures1
    const char* errorFormat;    // SettingsErrorFormat
    const char* querying;       // the status text of FrameTUAU1's StatusAU2
    const char* unknown;        // StatusAU4
    const char* checkNow;       // UFrame11's Button2
    const char* settingsTitle;  // the open settings window's caption
    const char* ok;             // and its ButtonOk
    bool severalHelp;           // help pages only through the fallback: the help-language choice
    const char* helpPage;       // what the help item N71 opens
};

class LanguageSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        // The shipped English pack carries the settings frame's section itself.
        WriteFile(program_.app() + "/Language/German/German.txt", kGermanPack);
    }
    // In place of the handler that the start-up services installed.
    void CountStatusTextCopies() {
        status_.emplace(SetUpdateStatusTextsHandler, [this](const UpdateStatusTexts&, const std::string& previous) {
            previousQuerying_.push_back(previous);
        });
    }
    void TearDown() override { status_.reset(); }
    std::string settingsFile() const { return program_.app() + "/Settings/ULangSettings.ini"; }
    void StoreLanguage(const std::string& language) {
        WriteFile(settingsFile(),
                  "[Main]\r\nFile=<ULang.Proc. Settings File>\r\nVersion=01.00\r\n\r\n[Settings]\r\n"
                  "Language=\"" +
                      language + "\"\r\n");
    }

    hosttest::ScratchProgram program_;
    std::optional<testsupport::ScopedHook<UpdateStatusTextsHandler>> status_;
    std::vector<std::string> previousQuerying_;
};

QAction* LanguageItem(const char* language) {
    for (QAction* item : LanguageItems(LanguageItemPlace::Parent)) {
        if (item->objectName() == language) return item;
    }
    return nullptr;
}

TEST_F(LanguageSwitch, EveryOpenWindowAndFrameFollowsTheMenu) {
    StoreLanguage("English");
    for (const char* language : {"English", "Russian"})
        WriteFile(program_.app() + "/Language/" + language + "/Help/index.htm", "<html></html>");
    const std::vector<Expected> steps{
        {"Russian", "Справка", "Предупреждение...",
         "Настройки программы %s \n\nОтсутствовали или содержали неверные значения %d из %d параметров. \n"
         "Ошибки в структуре данных исправлены. Файл восстановлен.",
         "Проверка наличия обновлений: Запрос данных о новых версиях...", "Неизвестно", "Проверить сейчас",
         "Настройки программы...", "Ok", false, "Russian"},
        {"German", "Hilfe", "Warnung...", "Einstellungen von %s\n%d von %d Werten repariert.", "Abfrage...", "Unknown",
         "Jetzt pruefen", "Einstellungen...", "Ok-DE", true, "English"},
        {"English", "Help", "Warning...",
         "The settings of %s \n\nwere missing or held wrong values in %d of %d parameters. \n"
         "The errors in the data have been corrected. The file has been restored.",
         "Update check: querying for new versions...", "Unknown", "Check now", "Program settings...", "Ok", false,
         "English"},
    };
    bool seen = false;
    program_.WhenModal("FormSettings", [&](QWidget* settings) {
        seen = true;
        CountStatusTextCopies();
        QWidget* host = HostForm;
        ASSERT_NE(host, nullptr);
        auto* panel = host->findChild<QWidget*>("UFrameIncludePanel1");
        auto* carrier = panel->findChild<TUFrameLangComponents*>("FrameLangComponents1");
        ASSERT_NE(carrier, nullptr);
        int loads = 0;
        QObject::connect(carrier->MChoseLan, &TClickMemo::Clicked, settings, [&loads](QObject*) { ++loads; });
        auto* frame = settings->findChild<TUFrame1*>("UFrame11");
        auto* ok = settings->findChild<QPushButton*>("ButtonOk");
        auto* help = host->findChild<QAction*>("N9");
        ASSERT_TRUE(frame && ok && help);
        // The start came up in the stored language, with its menu item ticked.
        EXPECT_EQ(settings->windowTitle(), "Program settings...");
        ASSERT_NE(LanguageItem("English"), nullptr);
        EXPECT_TRUE(LanguageItem("English")->isChecked());
        std::string previous = "Update check: querying for new versions...";
        for (const Expected& step : steps) {
            SCOPED_TRACE(step.language);
            loads = 0;
            previousQuerying_.clear();
            QAction* item = LanguageItem(step.language);
            ASSERT_NE(item, nullptr);
            item->trigger();
            EXPECT_EQ(CurrentLanguage, step.language);
            EXPECT_EQ(loads, 1) << "one re-translation per change";
            EXPECT_EQ(previousQuerying_, std::vector<std::string>{previous}) << "the status texts copied once";
            previous = step.querying;
            EXPECT_TRUE(item->isChecked());
            for (QAction* other : LanguageItems(LanguageItemPlace::Parent))
                EXPECT_EQ(other->isChecked(), other == item) << other->objectName().toStdString();
            EXPECT_EQ(help->text().toStdString(), step.help);
            EXPECT_EQ(SettingsErrorCaption, step.errorCaption);
            EXPECT_EQ(SettingsErrorFormat, step.errorFormat);
            EXPECT_EQ(CarriedUpdateStatusTexts().querying, step.querying);
            EXPECT_EQ(CarriedUpdateStatusTexts().unknown, step.unknown);
            EXPECT_EQ(frame->Button2->text().toStdString(), step.checkNow);
            EXPECT_EQ(settings->windowTitle().toStdString(), step.settingsTitle);
            EXPECT_EQ(ok->text().toStdString(), step.ok);
            // The help controls: the help-language menu N70 or the plain help item N71.
            auto* helpLanguages = host->findChild<QAction*>("N70");
            auto* helpItem = host->findChild<QAction*>("N71");
            auto* helpLanguageButton = host->findChild<QPushButton*>("BitBtn1");
            EXPECT_EQ(helpLanguages->isVisible(), step.severalHelp);
            EXPECT_EQ(helpItem->isVisible(), !step.severalHelp);
            EXPECT_EQ(helpLanguageButton->isVisibleTo(helpLanguageButton->parentWidget()), step.severalHelp);
            helpItem->trigger();
            EXPECT_EQ(program_.openedUrls().back(),
                      "file://" + program_.app() + "/Language/" + step.helpPage + "/Help/index.htm");
            EXPECT_NE(ReadFile(settingsFile()).find(std::string("Language=\"") + step.language + "\""),
                      std::string::npos);
        }
        // The last line of a text is not followed by an empty one.
        EXPECT_EQ(CarriedUpdateStatusTexts().disabled, "Update check: switched off");
        QTest::mouseClick(settings->findChild<QPushButton*>("ButtonCancel"), Qt::LeftButton);
    });
    EXPECT_EQ(program_.Start({"", "Prog", "2.0"}), 0);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(program_.boxes().empty());
    EXPECT_EQ(program_.openedUrls().size(), steps.size());
}

// Frames freed while the run goes on are never reached again; the rest still follows.
TEST_F(LanguageSwitch, FreedFramesAreLeftOut) {
    StoreLanguage("English");
    bool seen = false;
    program_.WhenModal("FormSettings", [&](QWidget* settings) {
        seen = true;
        CountStatusTextCopies();
        QWidget* host = HostForm;
        ASSERT_NE(host, nullptr);
        auto* panel = host->findChild<QWidget*>("UFrameIncludePanel1");
        delete panel->findChild<TUFrameTUAU*>("FrameTUAU1");
        delete panel->findChild<TUFrameUProcedures*>("FrameUProcedures1");
        delete host->findChild<QWidget*>("UFrameHlpBtn1");
        delete settings->findChild<TUFrame1*>("UFrame11");
        previousQuerying_.clear();
        SettingsErrorCaption = "Warning...";
        QAction* russian = LanguageItem("Russian");
        ASSERT_NE(russian, nullptr);
        russian->trigger();
        EXPECT_EQ(host->findChild<QAction*>("N9")->text().toStdString(), "Справка");
        EXPECT_EQ(settings->windowTitle().toStdString(), "Настройки программы...");
        EXPECT_TRUE(previousQuerying_.empty());
        EXPECT_EQ(SettingsErrorCaption, "Warning...");
        // The settings window itself goes too: the next change passes it by.
        delete settings;
        LanguageItem("English")->trigger();
        EXPECT_EQ(host->findChild<QAction*>("N9")->text().toStdString(), "Help");
    });
    EXPECT_EQ(program_.Start({"", "Prog", "2.0"}), 0);
    EXPECT_TRUE(seen);
}

// No language stored and no language on the command line: the chooser asks; its choice is
// stored, and a chooser closed without it still lets the start end by itself.
TEST_F(LanguageSwitch, FirstRunChoice) {
    struct Row {
        const char* label;
        std::function<void(QWidget*)> close;
        const char* stored;  // the Language value afterwards; empty: no settings file
        const char* help;    // the host menu's N9 in the language taken
    } rows[] = {
        {"English chosen",
         [](QWidget* w) {
             auto* chooser = static_cast<TUFormFirstChoose*>(w);
             chooser->ComboBox1->setCurrentIndex(chooser->ComboBox1->findText("English [English]"));
             QTest::mouseClick(chooser->Button3, Qt::LeftButton);
         },
         "English", "Help"},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, "", "Справка"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::remove(settingsFile().c_str());
        bool asked = false;
        std::string help;
        program_.WhenModal("UFormFirstChoose", [&](QWidget* window) {
            asked = true;
            row.close(window);
        });
        // The first paint with a language starts the job timer; record the host's menu then.
        program_.WhenModal("FormSettings", [&](QWidget* settings) {
            if (HostForm) help = HostForm->findChild<QAction*>("N9")->text().toStdString();
            QTest::keyClick(settings, Qt::Key_Escape);
        });
        EXPECT_EQ(program_.Start({"", "Prog", "2.0"}), 0);
        EXPECT_TRUE(asked);
        EXPECT_EQ(help, row.help);
        if (*row.stored) {
            EXPECT_NE(ReadFile(settingsFile()).find(std::string("Language=\"") + row.stored + "\""), std::string::npos);
        } else {
            EXPECT_FALSE(FileExists(settingsFile())) << "asked again at the next start";
        }
    }
}

}  // namespace
