// The offered languages, the language settings file, the language and help-language items, the
// change of language, the help index choice, the help button frame and the first-run chooser.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "language/CarrierFrames.h"
#include "language/ClickMemo.h"
#include "language/FirstChoose.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"
#include "platform/Executable.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TextsFit.h"
#include "tests/support/WhenModal.h"

namespace {

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

const char* const kTag = "< Lang.Pack for KV.Kestrune 1.0 >";

std::string Pack(const std::string& native, const std::string& tag = kTag, const std::string& body = "") {
    return "// a comment before the header\r\n" + native + "\r\n" + tag + "\r\n" + body;
}

std::vector<std::string> Texts(const QList<QAction*>& items) {
    std::vector<std::string> texts;
    for (QAction* item : items) texts.push_back(item->text().toStdString());
    return texts;
}

// A program folder of its own, with the carrier frame whose memos the processor is given, and
// every location code recorded.
class LanguageMenus : public ::testing::Test {
public:
    std::string language(const std::string& relative) const { return app() + "/Language/" + relative; }

protected:
    void SetUp() override {
        platform::SetExecutablePathForTesting(app() + "/KV.Kestrune");
        std::filesystem::create_directories(app() + "/Settings");
        ResetProgramValuesForTesting();
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        Init();
    }
    void TearDown() override {
        SetShellOpenHandlerForTesting({});
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    void Init() {
        carrier_ = std::make_unique<TUFrameLangComponents>();
        carrier_->setObjectName("FrameLangComponents1");
        InitLanguageProcessor(false, "KV.Kestrune", kTag, carrier_->MChoseLan, carrier_->MDefaultlan,
                              carrier_->MLanCapt, carrier_->MLanProc);
        QObject::connect(carrier_->MChoseLan, &TClickMemo::Clicked, [this](QObject*) { ++loads_; });
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string settingsFile() const { return app() + "/Settings/ULangSettings.ini"; }
    void StoreSettings(const std::string& settings) {
        WriteFile(settingsFile(),
                  "[Main]\r\nFile=<ULang.Proc. Settings File>\r\nVersion=01.00\r\n\r\n[Settings]\r\n" + settings);
    }
    void Help(const std::string& name) { WriteFile(language(name + "/Help/index.htm"), "<html></html>"); }

    testsupport::IsolatedHome home_;
    std::unique_ptr<TUFrameLangComponents> carrier_;
    ErrorCodeRecorder recorder_;
    std::vector<std::string>& codes_ = recorder_.codes;
    int loads_ = 0;
};

TEST_F(LanguageMenus, MenuBuildsFromFolderTrees) {
    struct Row {
        const char* label;
        std::function<void(LanguageMenus&)> tree;
        std::vector<std::string> captions;  // the items under the language menu, top down
    };
    const std::vector<Row> rows{
        {"no Language folder", [](LanguageMenus&) {}, {"Russian [Русский]"}},
        {"one pack",
         [](LanguageMenus& t) { WriteFile(t.language("English/English.txt"), Pack("English")); },
         {"Russian [Русский]", "English [English]"}},
        {"packs in name order, a third language in its own script",
         [](LanguageMenus& t) {
             WriteFile(t.language("German/German.txt"), Pack("Deutsch"));
             WriteFile(t.language("English/English.txt"), Pack("English"));
             WriteFile(t.language("Ukrainian/Ukrainian.txt"), Pack("Українська"));
         },
         {"Russian [Русский]", "English [English]", "German [Deutsch]", "Ukrainian [Українська]"}},
        {"broken packs are left out",
         [](LanguageMenus& t) {
             WriteFile(t.language("English/English.txt"), Pack("English"));
             WriteFile(t.language("Old/Old.txt"), Pack("Old", "< Lang.Pack for KV.Kestrune 0.9 >"));
             WriteFile(t.language("Blank/Blank.txt"), Pack("Blank", std::string(kTag) + " "));
             WriteFile(t.language("Lower/Lower.txt"), Pack("Lower", "< lang.pack for kv.kestrune 1.0 >"));
             WriteFile(t.language("OneLine/OneLine.txt"), "OneLine\r\n");
             WriteFile(t.language("Empty/Empty.txt"), "");
             // A pack that cannot be read: its name is a folder.
             std::filesystem::create_directories(t.language("Unreadable/Unreadable.txt"));
         },
         {"Russian [Русский]", "English [English]"}},
        {"a pack folder without its file, and a file among the folders",
         [](LanguageMenus& t) {
             WriteFile(t.language("English/English.txt"), Pack("English"));
             WriteFile(t.language("French/ULanguage.txt"), Pack("Français"));
             WriteFile(t.language("French/French.txt.bak"), Pack("Français"));
             WriteFile(t.language("Notes.txt"), Pack("Notes"));
         },
         {"Russian [Русский]", "English [English]"}},
        {"names in any letter case",
         [](LanguageMenus& t) {
             WriteFile(t.language("GERMAN/GERMAN.txt"), Pack("Deutsch"));
             // The file must be named as its folder, letter case included.
             WriteFile(t.language("french/French.txt"), Pack("Français"));
             // Russian is built in: a folder of that name never adds a second one.
             WriteFile(t.language("Russian/Russian.txt"), Pack("Русский"));
             WriteFile(t.language("russian/russian.txt"), Pack("русский"));
             WriteFile(t.language("english/english.txt"), Pack("english"));
         },
         {"Russian [Русский]", "GERMAN [Deutsch]", "english [english]"}},
        {"the fallback's own spelling stands for its letter-case twins",
         [](LanguageMenus& t) {
             // ENGLISH comes first in name order, yet English stands; other twins keep the first.
             for (const std::string name : {"ENGLISH", "English", "english", "GERMAN", "German"})
                 WriteFile(t.language(name + "/" + name + ".txt"), Pack(name == "German" ? "Deutsch 2" : name));
         },
         {"Russian [Русский]", "English [English]", "GERMAN [GERMAN]"}},
        {"names that cannot be stored or used as a folder",
         [](LanguageMenus& t) {
             WriteFile(t.language("Line\nBreak/Line\nBreak.txt"), Pack("Broken"));
             WriteFile(t.language("Back\\Slash/Back\\Slash.txt"), Pack("Slash"));
             WriteFile(t.language("A&B/A&B.txt"), Pack("Ampersand"));
         },
         {"Russian [Русский]", "A&&B [Ampersand]"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove_all(app() + "/Language");
        row.tree(*this);
        Init();
        QComboBox chooser;
        chooser.addItem("Russian [Русский]");
        FillLanguageChooser(nullptr, &chooser);
        QMenu popup;
        QMenu* languages = popup.addMenu("Language");
        QAction* existing = languages->addAction("other");
        BuildLanguageMenu(languages, &popup);
        QList<QAction*> items = languages->actions();
        ASSERT_EQ(items.last(), existing) << "the items stand above the parent's own";
        items.removeLast();
        EXPECT_EQ(Texts(items), row.captions);
        ASSERT_EQ(chooser.count(), static_cast<int>(row.captions.size()));
        for (int i = 0; i < chooser.count(); ++i) {
            EXPECT_EQ(QString(chooser.itemText(i)).replace("&", "&&").toStdString(),
                      row.captions[static_cast<std::size_t>(i)]);
            EXPECT_EQ(items[i]->objectName().toStdString(), LanguageList[static_cast<std::size_t>(i)]);
            EXPECT_TRUE(items[i]->isCheckable());
        }
        EXPECT_EQ(LanguageMenuParent.data(), languages);
        EXPECT_EQ(LanguagePopupMenu.data(), &popup);
        EXPECT_TRUE(codes_.empty()) << codes_.front();
    }
}

TEST_F(LanguageMenus, StoredSettingsDecideWhetherToAsk) {
    WriteFile(language("English/English.txt"), Pack("English"));
    Help("English");
    struct Row {
        const char* label;
        std::optional<std::string> settings;  // nullopt: no file
        bool ask;
        std::string language;
        std::string helpLanguage;
        bool newVersionDefault;
    } rows[] = {
        {"no settings file", std::nullopt, true, "", "English", true},
        {"no Language key", "DefaultHelpLanguage=\"English\"\r\n", true, "Russian", "English", true},
        {"a language whose pack has gone", "Language=\"German\"\r\n", true, "German", "English", true},
        {"a language that is no folder name", "Language=\"..\"\r\n", true, "..", "English", true},
        {"a folder in place of the pack file", "Language=\"Folder\"\r\n", true, "Folder", "English", true},
        {"Russian needs no pack", "Language=\"Russian\"\r\nDefaultNewVersionLanguage=0\r\n", false, "Russian",
         "English", false},
        {"help language without pages falls back to English",
         "Language=\"English\"\r\nDefaultHelpLanguage=\"German\"\r\n", false, "English", "English", true},
        // The menus offer "English" beside a twin "ENGLISH": the stored name is that language.
        {"the fallback stored in another letter case", "Language=\"ENGLISH\"\r\n", false, "English", "English", true},
    };
    std::filesystem::create_directories(language("Folder/Folder.txt"));
    WriteFile(language("ENGLISH/ENGLISH.txt"), Pack("Twin"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove(settingsFile());
        if (row.settings) StoreSettings(*row.settings);
        Init();
        FillLanguageChooser(nullptr, nullptr);
        if (row.settings) {
            const std::string stored = ReadFile(settingsFile());
            EXPECT_EQ(stored.find("\nLanguage=") == std::string::npos,
                      ("\n" + *row.settings).find("\nLanguage=") == std::string::npos)
                << "a missing language stays missing: " << stored;
        }
        EXPECT_EQ(NeedLanguageChoice, row.ask);
        EXPECT_EQ(CurrentLanguage, row.language);
        EXPECT_EQ(HelpLanguage, row.helpLanguage);
        EXPECT_EQ(DefaultNewVersionLanguage, row.newVersionDefault);
    }
    EXPECT_TRUE(codes_.empty());
}

TEST_F(LanguageMenus, ChangeLanguageTicksTheItemAndStoresTheChoice) {
    WriteFile(language("English/English.txt"), Pack("English", kTag, "[|Host|]\r\n<|Label1|>\r\nLabel\r\n"));
    StoreSettings("Language=\"English\"\r\nDefaultHelpLanguage=\"English\"\r\n");
    FillLanguageChooser(nullptr, nullptr);
    QMenu popup;
    QMenu* languages = popup.addMenu("Language");
    BuildLanguageMenu(languages, &popup);
    const QList<QAction*> items = LanguageItems(LanguageItemPlace::Parent);
    ASSERT_EQ(items.size(), 2);

    ChangeLanguage();
    EXPECT_EQ(loads_, 1);
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_NE(std::find(WorkingLanguageList.begin(), WorkingLanguageList.end(), "Label"), WorkingLanguageList.end());
    EXPECT_NE(ReadFile(settingsFile()).find("Language=\"English\""), std::string::npos);

    // Through the menu: Russian; then its ticked item clicked again changes nothing.
    items[0]->trigger();
    EXPECT_EQ(CurrentLanguage, "Russian");
    EXPECT_EQ(loads_, 2);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_NE(ReadFile(settingsFile()).find("Language=\"Russian\""), std::string::npos);
    std::filesystem::remove(settingsFile());
    items[0]->trigger();
    EXPECT_EQ(CurrentLanguage, "Russian");
    EXPECT_EQ(loads_, 2) << "nothing reloaded";
    EXPECT_TRUE(items[0]->isChecked()) << "ticked again";
    EXPECT_FALSE(FileExists(settingsFile())) << "nothing stored";
    EXPECT_TRUE(codes_.empty());
}

TEST_F(LanguageMenus, NothingIsStoredWhileNoLanguageWasChosen) {
    // No settings file, no pack besides Russian: the run goes on in Russian, and the next run
    // still finds no settings.
    FillLanguageChooser(nullptr, nullptr);
    ASSERT_TRUE(NeedLanguageChoice);
    CurrentLanguage = "Russian";
    ChangeLanguage();
    EXPECT_EQ(loads_, 1);
    EXPECT_FALSE(FileExists(settingsFile()));
}

// Settings that are there but cannot be read (a pipe; a file of mode 000 for an ordinary user)
// are reported at the first read and left as they are: the run neither reads them again nor
// writes its choice over them.
TEST_F(LanguageMenus, SettingsThatCannotBeReadAreReportedOnceAndKept) {
    struct Case {
        const char* label;
        std::function<bool(const std::string& file)> plant;  // false: cannot be shown here
    };
    const Case cases[] = {
        {"a pipe", [](const std::string& file) { return mkfifo(file.c_str(), 0600) == 0; }},
        {"mode 000",
         [](const std::string& file) {
             testsupport::WriteFile(file, "[Settings]\r\nLanguage=\"Russian\"\r\n");
             return chmod(file.c_str(), 0) == 0 && geteuid() != 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(settingsFile());
        ResetProgramValuesForTesting();
        ProgramSettingsFolder = "KV.Kestrune\\Prog";
        Init();
        codes_.clear();
        if (!c.plant(settingsFile())) {
            std::printf("skipped: %s needs an ordinary user\n", c.label);
            continue;
        }
        struct stat before {};
        ASSERT_EQ(lstat(settingsFile().c_str(), &before), 0);
        FillLanguageChooser(nullptr, nullptr);
        EXPECT_TRUE(NeedLanguageChoice);
        LoadStoredLanguageChoices(nullptr);
        CurrentLanguage = "Russian";
        NeedLanguageChoice = false;
        SaveLanguageSettings();
        EXPECT_EQ(codes_, std::vector<std::string>{"URG.004-01"});
        struct stat after {};
        ASSERT_EQ(lstat(settingsFile().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
    std::filesystem::remove(settingsFile());
}

TEST_F(LanguageMenus, HelpIndexChoice) {
    struct Row {
        const char* label;
        std::vector<std::string> helpFolders;
        std::string language;
        std::string index;  // folder whose index is chosen; empty: none
        bool several;
    } rows[] = {
        {"no help at all", {}, "English", "", false},
        {"own pages offer no choice", {"German", "English", "Russian"}, "German", "German", false},
        {"English pages for a third language", {"English", "Russian"}, "German", "English", true},
        {"only English pages", {"English"}, "German", "English", false},
        {"Russian pages as the last resort", {"Russian"}, "German", "Russian", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove_all(app() + "/Language");
        for (const std::string& folder : row.helpFolders) Help(folder);
        CurrentLanguage = row.language;
        HelpLanguage = "English";
        ChooseHelpIndex();
        EXPECT_EQ(HelpFound, !row.index.empty());
        EXPECT_EQ(HelpIndexPath, row.index.empty() ? "" : HelpIndexPathOf(row.index));
        EXPECT_EQ(SeveralHelpLanguages, row.several);
        if (row.index == "Russian") {
            EXPECT_EQ(HelpLanguage, "Russian");
        }
    }
}

TEST_F(LanguageMenus, HelpButtonFrameOpensOnlyPagesOfTheProgramFolder) {
    std::vector<std::string> opened;
    SetShellOpenHandlerForTesting([&](const std::string& url, int show) {
        opened.push_back(url);
        EXPECT_EQ(show, 5);
    });
    Help("English");
    Help("Russian");
    StoreSettings("Language=\"Russian\"\r\n");
    TUFrameHlpBtn frame;
    CurrentLanguage = "German";
    HelpLanguage = "English";
    ChooseHelpIndex();
    ASSERT_TRUE(SeveralHelpLanguages);
    frame.InitPopUpMenu(nullptr);
    const QList<QAction*> items = frame.PopupMenu3->actions();
    ASSERT_EQ(Texts(items), (std::vector<std::string>{"English", "Russian"}));
    EXPECT_TRUE(items[0]->isChecked());
    frame.HlpBtn->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.back(), "file://" + app() + "/Language/English/Help/index.htm");

    // Another help language is chosen and stored; clicking the ticked one keeps it.
    items[1]->trigger();
    EXPECT_EQ(HelpLanguage, "Russian");
    EXPECT_NE(ReadFile(settingsFile()).find("DefaultHelpLanguage=\"Russian\""), std::string::npos);
    items[1]->trigger();
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_EQ(HelpLanguage, "Russian");
    frame.HlpBtn->click();
    EXPECT_EQ(opened.back(), "file://" + app() + "/Language/Russian/Help/index.htm");

    // The host's help items open their own language's index and change nothing.
    QMenu popup;
    QMenu* help = popup.addMenu("Help...");
    AddHelpLanguageItems(help, &popup, frame.NTCProHlp);
    const QList<QAction*> helpItems = help->actions();
    ASSERT_EQ(Texts(helpItems), (std::vector<std::string>{"Russian", "English"}));
    EXPECT_EQ(helpItems[1]->objectName(), "EnglishHlp");
    helpItems[1]->trigger();
    EXPECT_EQ(opened.back(), "file://" + app() + "/Language/English/Help/index.htm");
    EXPECT_EQ(HelpLanguage, "Russian");

    // No help found: nothing is handed over.
    opened.clear();
    HelpIndexPath.clear();
    frame.HlpBtn->click();
    HelpIndexPath = app() + "/../outside.htm";
    frame.HlpBtn->click();
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(codes_.empty());
}

// ---- First-run chooser -----------------------------------------------------------------------

class FirstChoice : public LanguageMenus {
protected:
    // Runs action on the chooser once it is shown modally; a chooser still open a few seconds
    // after the action is closed and the case fails.
    void WhenShown(std::function<void(TUFormFirstChoose*)> action) {
        modals_.WhenModal(
            "UFormFirstChoose",
            [this, action](QWidget* shown) {
                auto* window = qobject_cast<TUFormFirstChoose*>(shown);
                ASSERT_NE(window, nullptr);
                shown_ = true;
                title_ = window->windowTitle().toStdString();
                onTop_ = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                entries_ = window->ComboBox1->count();
                selected_ = window->ComboBox1->currentIndex();
                action(window);
            },
            5000);
    }
    testsupport::ModalDriver modals_;
    bool shown_ = false;
    bool onTop_ = false;
    std::string title_;
    int entries_ = 0;
    int selected_ = -1;
};

TEST_F(FirstChoice, NoPackAndNoSettingsAsksNothing) {
    WhenShown([](TUFormFirstChoose* window) { window->close(); });
    CreateFirstChooseWindow(nullptr);
    EXPECT_FALSE(shown_);
    EXPECT_EQ(CurrentLanguage, "Russian");
    EXPECT_TRUE(NeedLanguageChoice);
    EXPECT_FALSE(FileExists(settingsFile()));
}

TEST_F(FirstChoice, TheChosenLanguageIsStored) {
    WriteFile(language("English/English.txt"), Pack("English"));
    WhenShown([](TUFormFirstChoose* window) {
        window->ComboBox1->setCurrentIndex(1);
        QTest::mouseClick(window->Button3, Qt::LeftButton);
    });
    CreateFirstChooseWindow(nullptr);
    EXPECT_TRUE(shown_);
    EXPECT_TRUE(onTop_);
    EXPECT_EQ(title_, "KV.Kestrune - First choose language...");
    EXPECT_EQ(entries_, 2);
    EXPECT_EQ(selected_, 0) << "Russian selected";
    EXPECT_EQ(CurrentLanguage, "English");
    EXPECT_TRUE(LanguageChosen);
    EXPECT_NE(ReadFile(settingsFile()).find("Language=\"English\""), std::string::npos);

    // The next run finds it and never shows the window.
    shown_ = false;
    Init();
    WhenShown([](TUFormFirstChoose* window) { window->close(); });
    CreateFirstChooseWindow(nullptr);
    EXPECT_FALSE(shown_);
    EXPECT_EQ(CurrentLanguage, "English");
    EXPECT_FALSE(NeedLanguageChoice);
    EXPECT_TRUE(codes_.empty());
}

// The chooser's texts are whole in the font actually used, at the layout's 8 points and at 12
// (about 140 DPI), as every other window's: "Choose your language:" beside the combo box, the
// longest entry in the combo box, the button; the layout's size is the least size.
TEST_F(FirstChoice, ItsTextsFitAtTwoFontSizes) {
    WriteFile(language("English/English.txt"), Pack("English"));
    WriteFile(language("Ukrainian/Ukrainian.txt"), Pack("Українська (Україна), повна назва мови"));
    for (const double points : {8.0, 12.0}) {
        SCOPED_TRACE(std::to_string(points) + " pt");
        std::filesystem::remove(settingsFile());
        Init();
        shown_ = false;
        QSize size;
        WhenShown([&](TUFormFirstChoose* window) {
            QFont font = window->font();
            font.setPointSizeF(points);
            window->setFont(font);
            testsupport::ExpectTextsFit(*window);
            size = window->size();
            window->close();
        });
        CreateFirstChooseWindow(nullptr);
        EXPECT_TRUE(shown_);
        EXPECT_EQ(entries_, 3);
        EXPECT_GE(size.width(), 355);
        EXPECT_GE(size.height(), 94);
    }
    EXPECT_TRUE(codes_.empty());
}

TEST_F(FirstChoice, ClosedWithoutItsButtonTheRunGoesOn) {
    WriteFile(language("English/English.txt"), Pack("English"));
    struct Row {
        const char* label;
        std::optional<std::string> settings;
        std::function<void(TUFormFirstChoose*)> close;
        std::string language;
    } rows[] = {
        {"Esc without settings", std::nullopt, [](TUFormFirstChoose* w) { QTest::keyClick(w, Qt::Key_Escape); },
         "Russian"},
        {"closed without settings", std::nullopt, [](TUFormFirstChoose* w) { w->close(); }, "Russian"},
        // A window manager may minimise it anyway: it comes back, and still answers Esc.
        {"minimised, then Esc", std::nullopt,
         [](TUFormFirstChoose* w) {
             w->showMinimized();
             EXPECT_TRUE(QTest::qWaitFor([w] { return w->isVisible() && !(w->windowState() & Qt::WindowMinimized); },
                                         testsupport::kStateDeadlineMs))
                 << "awaited the minimised chooser back";
             QTest::keyClick(w, Qt::Key_Escape);
         },
         "Russian"},
        {"closed with a stored language whose pack has gone", "Language=\"German\"\r\n",
         [](TUFormFirstChoose* w) { w->close(); }, "German"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove(settingsFile());
        if (row.settings) StoreSettings(*row.settings);
        const std::string before = ReadFile(settingsFile());
        Init();
        shown_ = false;
        WhenShown(row.close);
        CreateFirstChooseWindow(nullptr);
        EXPECT_TRUE(shown_);
        EXPECT_EQ(CurrentLanguage, row.language);
        EXPECT_FALSE(LanguageChosen);
        // Nothing is stored, not by the chooser and not by the change of language after it.
        ChangeLanguage();
        EXPECT_EQ(ReadFile(settingsFile()), before);
    }
}

}  // namespace
