#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "language/CarrierFrames.h"
#include "language/ClickMemo.h"
#include "language/Components.h"
#include "language/LangProcessor.h"
#include "language/TUFrame.h"
#include "platform/Executable.h"
#include "tests/support/TestSupport.h"

// Readable failure messages for texts of widgets.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using namespace kestrune;
using testsupport::ReadFile;
using testsupport::WriteFile;
using Lines = std::vector<std::string>;

const char* const kTag = "< Lang.Pack for KV.Kestrune 1.0 >";

template <class T>
T* Make(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    parent->layout()->addWidget(widget);
    return widget;
}

// A window with one component of each kind, designed in Russian, and an embedded frame.
struct TestWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel* label;
    QLabel* kept;
    QPushButton* button;
    QComboBox* combo;
    QListWidget* checkList;
    QListWidget* emptyCheckList;
    QPlainTextEdit* memo;
    QTableWidget* values;
    QTabWidget* tabs;
    QWidget* page;
    QAction* menuItem;
    QAction* runtimeItem;
    TUFrame* frame;
    QLabel* frameLabel;

    TestWindow() {
        window->setObjectName("UFormTest");
        window->setWindowTitle(QString::fromUtf8("Окно"));
        new QVBoxLayout(window.get());
        label = Make<QLabel>(window.get(), "Label1");
        label->setText(QString::fromUtf8("Метка"));
        kept = Make<QLabel>(window.get(), "NTCLabel2");
        kept->setText("http://example.invalid");
        kept->setToolTip(QString::fromUtf8("Адрес"));
        button = Make<QPushButton>(window.get(), "Button1");
        button->setText(QString::fromUtf8("Кнопка"));
        button->setToolTip(QString::fromUtf8("Подсказка"));
        combo = Make<QComboBox>(window.get(), "ComboBox1");
        combo->addItems({QString::fromUtf8("Один"), QString::fromUtf8("Два"), QString::fromUtf8("Три")});
        combo->setCurrentIndex(2);
        checkList = Make<QListWidget>(window.get(), "CheckListBox1");
        checkList->setProperty(kCheckListProperty, true);
        for (const char* text : {"Первый", "Второй", "Третий"}) {
            auto* item = new QListWidgetItem(QString::fromUtf8(text), checkList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(checkList->count() == 2 ? Qt::Checked : Qt::Unchecked);
        }
        emptyCheckList = Make<QListWidget>(window.get(), "CheckListBox2");
        emptyCheckList->setProperty(kCheckListProperty, true);
        memo = Make<QPlainTextEdit>(window.get(), "Memo1");
        memo->setPlainText(QString::fromUtf8("Строка 1\nСтрока 2"));
        values = Make<QTableWidget>(window.get(), "ValueListEditor1");
        values->setColumnCount(2);
        values->setRowCount(2);
        values->setHorizontalHeaderItem(0, new QTableWidgetItem(QString::fromUtf8("Ключ")));
        values->setItem(0, 0, new QTableWidgetItem(QString::fromUtf8("Имя")));
        values->setItem(0, 1, new QTableWidgetItem("value 1"));
        values->setItem(1, 0, new QTableWidgetItem(QString::fromUtf8("Адрес")));
        tabs = Make<QTabWidget>(window.get(), "PageControl1");
        page = new QWidget;
        page->setObjectName("TabSheet1");
        tabs->addTab(page, QString::fromUtf8("Страница"));
        auto* menu = new QMenu(window.get());
        menu->setObjectName("PopupMenu1");
        QMenu* help = menu->addMenu(QString::fromUtf8("&Справка..."));
        help->setObjectName("N9");
        help->menuAction()->setObjectName("N9");
        menuItem = help->menuAction();
        runtimeItem = menu->addAction("Russian [Русский]");
        runtimeItem->setObjectName("Russian");
        runtimeItem->setProperty(kRuntimeItemProperty, true);
        frame = Make<TUFrame>(window.get(), "UFrameTest1");
        new QVBoxLayout(frame);
        frameLabel = Make<QLabel>(frame, "Label1Frame");
        frameLabel->setText(QString::fromUtf8("Метка рамки"));
    }

    // Every text of the window, for comparing a whole state.
    std::vector<QString> Texts() const {
        std::vector<QString> texts = {window->windowTitle(),
                                      label->text(),
                                      kept->text(),
                                      kept->toolTip(),
                                      button->text(),
                                      button->toolTip(),
                                      memo->toPlainText(),
                                      values->item(0, 0)->text(),
                                      values->item(1, 0)->text(),
                                      values->item(0, 1)->text(),
                                      tabs->tabText(0),
                                      menuItem->text(),
                                      frameLabel->text(),
                                      QString::number(combo->currentIndex())};
        for (int i = 0; i < combo->count(); ++i) texts.push_back(combo->itemText(i));
        for (int i = 0; i < checkList->count(); ++i) {
            texts.push_back(checkList->item(i)->text() + QString::number(checkList->item(i)->checkState()));
        }
        return texts;
    }
};

const char* const kEnglishBody =
    "[|UFormTest|]\r\n"
    "<|UFormTest|>\r\n"
    "Window [%pn] of [%pn], 100% %s %n\r\n"
    "a second caption line is ignored\r\n"
    "<|Label1|>\r\n"
    "Label\r\n"
    "<|NTCLabel2|>\r\n"
    "must not show\r\n"
    "<|Hint-NTCLabel2|>\r\n"
    "Address\r\n"
    "<|Button1|>\r\n"
    "Button\r\n"
    "<|Hint-Button1|>\r\n"
    "Hint line 1\r\n"
    "Hint line 2\r\n"
    "<|ComboBox1|>\r\n"
    "One\r\n"
    "Two\r\n"
    "Three\r\n"
    "<|CheckListBox1|>\r\n"
    "First\r\n"
    "Second\r\n"
    "Third\r\n"
    "Fourth\r\n"
    "Fifth\r\n"
    "<|CheckListBox2|>\r\n"
    "Nothing to rename\r\n"
    "<|Memo1|>\r\n"
    "Line 1\r\n"
    "Line 2\r\n"
    "<|ValueListEditor1|>\r\n"
    "Key\r\n"
    "Name\r\n"
    "Address\r\n"
    "Beyond the rows\r\n"
    "<|TabSheet1|>\r\n"
    "Page\r\n"
    "<|N9|>\r\n"
    "Help\r\n"
    "<|Russian|>\r\n"
    "Not for a run-time item\r\n"
    "<|Label1Frame|>\r\n"
    "Reached only through the frame\r\n"
    "[|UFrameTest1|]\r\n"
    "<|UFrameTest1|>\r\n"
    "a frame has no caption entry\r\n"
    "<|Label1Frame|>\r\n"
    "Frame label\r\n";

// A program folder in a scratch folder, with its language packs, and clean language state.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetExecutablePathForTesting(program_ / "KV.Kestrune");
        ResetProgramValuesForTesting();
        CurrentLanguage = "Russian";
        SetRetranslateHandler(nullptr);
    }
    void TearDown() override {
        platform::SetExecutablePathForTesting("");
        ResetProgramValuesForTesting();
    }
    void WritePack(const std::string& language, const std::string& file, const std::string& text) {
        WriteFile(program_ / ("Language/" + language + "/" + file), text);
    }
    void WriteMainPack(const std::string& language, const std::string& header, const std::string& body) {
        WritePack(language, language + ".txt", language + "\r\n" + kTag + "\r\n" + header + body);
    }
    void SwitchTo(const std::string& language) {
        CurrentLanguage = language;
        LoadLanguage();
    }

    testsupport::IsolatedHome home_;
    testsupport::ScratchFolder program_;
    ErrorCodeRecorder recorder_;
    std::vector<std::string>& codes_ = recorder_.codes;
};

TEST_F(LanguageTest, WindowTranslatedToEnglishAndBackGetsItsDesignTexts) {
    WriteMainPack("English", "", kEnglishBody);
    TestWindow w;
    const std::vector<QString> design = w.Texts();
    CaptureFormTexts(1, w.window.get());

    SwitchTo("English");
    TranslateForm(1, w.window.get());
    EXPECT_EQ(w.window->windowTitle(), "Window KV.Kestrune of KV.Kestrune, 100% %s %n");
    EXPECT_EQ(w.label->text(), "Label");
    EXPECT_EQ(w.kept->text(), "http://example.invalid");
    EXPECT_EQ(w.kept->toolTip(), "Address");
    EXPECT_EQ(w.button->text(), "Button");
    EXPECT_EQ(w.button->toolTip(), "Hint line 1\nHint line 2");
    EXPECT_EQ(w.combo->itemText(0), "One");
    EXPECT_EQ(w.combo->count(), 3);
    EXPECT_EQ(w.combo->currentIndex(), 2);
    ASSERT_EQ(w.checkList->count(), 3);
    EXPECT_EQ(w.checkList->item(2)->text(), "Third");
    EXPECT_EQ(w.checkList->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(w.emptyCheckList->count(), 0);
    EXPECT_EQ(w.memo->toPlainText(), "Line 1\nLine 2");
    EXPECT_EQ(w.values->item(0, 0)->text(), "Name");
    EXPECT_EQ(w.values->item(1, 0)->text(), "Address");
    EXPECT_EQ(w.values->item(0, 1)->text(), "value 1");
    EXPECT_EQ(w.tabs->tabText(0), "Page");
    EXPECT_EQ(w.menuItem->text(), "Help");
    EXPECT_EQ(w.runtimeItem->text(), "Russian [Русский]");
    EXPECT_EQ(w.frameLabel->text(), QString::fromUtf8("Метка рамки"));

    SwitchTo("Russian");
    TranslateForm(1, w.window.get());
    EXPECT_EQ(w.Texts(), design);
    EXPECT_TRUE(codes_.empty()) << codes_.front();
}

TEST_F(LanguageTest, FrameIsReachedOnlyThroughItsOwnCall) {
    WriteMainPack("English", "", kEnglishBody);
    TestWindow w;
    SwitchTo("English");
    TranslateFramePlain(0, w.frame);
    EXPECT_EQ(w.frameLabel->text(), "Frame label");
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Метка")) << "the frame's walk stays inside the frame";
}

TEST_F(LanguageTest, RussianModeZeroLeavesTheDesignAndCapturesNothing) {
    WriteMainPack("English", "", kEnglishBody);
    TestWindow w;
    const std::vector<QString> design = w.Texts();
    CaptureFormTexts(0, w.window.get());
    EXPECT_TRUE(CaptureList.empty());
    SwitchTo("Russian");
    EXPECT_TRUE(WorkingLanguageList.empty()) << "Russian reads no pack";
    TranslateForm(0, w.window.get());
    EXPECT_EQ(w.Texts(), design);
}

TEST_F(LanguageTest, WorkingListOrderPutsEnglishUnderAThirdLanguage) {
    WriteMainPack("English", "TranslateAuthor=English translator\r\n",
                  "[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n<|Button1|>\r\nButton\r\n");
    WritePack("English", "ULanguage.txt", "x\r\ny\r\n[|UFormTest|]\r\n<|Memo1|>\r\nEnglish extra\r\n");
    WriteMainPack("German", "translateauthormail=de@example.invalid\r\n",
                  "[|UFormTest|]\r\n<|Label1|>\r\nBeschriftung\r\n");
    WritePack("German", "ULanguage.txt", "x\r\ny\r\n[|UFormExtra|]\r\n");
    TestWindow w;
    CaptureFormTexts(1, w.window.get());
    const std::size_t base = BaseTexts.size();

    SwitchTo("German");
    ASSERT_GT(WorkingLanguageList.size(), base);
    const std::vector<std::string> loaded(WorkingLanguageList.begin() + static_cast<long>(base),
                                          WorkingLanguageList.end());
    EXPECT_EQ(loaded, (std::vector<std::string>{"[|UFormTest|]", "<|Label1|>", "Label", "<|Button1|>", "Button",
                                                "[|UFormTest|]", "<|Label1|>", "Beschriftung", "[|UFormTest|]",
                                                "<|Memo1|>", "English extra", "[|UFormExtra|]"}));
    EXPECT_EQ(TranslatorName, "") << "credits come from the current language's own main pack only";
    EXPECT_EQ(TranslatorMail, "de@example.invalid");

    TranslateForm(1, w.window.get());
    EXPECT_EQ(w.label->text(), "Beschriftung");
    EXPECT_EQ(w.button->text(), "Button") << "a text German lacks stays English";
    EXPECT_EQ(w.memo->toPlainText(), QString::fromUtf8("Строка 1\nСтрока 2"))
        << "three passes reach the base, English and German sections only";

    SwitchTo("English");
    EXPECT_EQ(TranslatorName, "English translator");
    SwitchTo("Russian");
    EXPECT_EQ(TranslatorName, "");
    EXPECT_EQ(WorkingLanguageList, BaseTexts);
}

TEST_F(LanguageTest, ThirdLanguageWithoutEnglishPackReadsItsOwnOnly) {
    // Written in Windows-1251, as the older packs are.
    WriteMainPack("Ukrainian", "TranslateAuthor=\xCE\xEB\xE5\xED\xE0\r\n",
                  "[|UFormTest|]\r\n<|Label1|>\r\n\xCF\xB3\xE4\xEF\xE8\xF1\r\n");
    TestWindow w;
    SwitchTo("Ukrainian");
    EXPECT_EQ(TranslatorName, "Олена");
    TranslateForm(0, w.window.get());
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Підпис"));
}

// The fallback named in another letter case is the fallback: its folder "English" is read, not a
// twin folder that differs from it in letter case alone; a twin without the fallback beside it
// is read as named.
TEST_F(LanguageTest, TheFallbackInAnyLetterCaseReadsTheFallbacksOwnPack) {
    WriteMainPack("ENGLISH", "TranslateAuthor=Twin\r\n", "[|UFormTest|]\r\n<|Label1|>\r\nTWIN\r\n");
    TestWindow w;
    SwitchTo("ENGLISH");
    TranslateForm(0, w.window.get());
    EXPECT_EQ(w.label->text(), "TWIN") << "no English folder: the twin is the pack";

    WriteMainPack("English", "TranslateAuthor=English translator\r\n", "[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n");
    for (const char* language : {"ENGLISH", "english", "English"}) {
        SCOPED_TRACE(language);
        SwitchTo(language);
        ASSERT_GE(WorkingLanguageList.size(), BaseTexts.size());
        EXPECT_EQ(Lines(WorkingLanguageList.begin() + static_cast<long>(BaseTexts.size()), WorkingLanguageList.end()),
                  (Lines{"[|UFormTest|]", "<|Label1|>", "Label"}));
        EXPECT_EQ(TranslatorName, "English translator");
        TranslateForm(0, w.window.get());
        EXPECT_EQ(w.label->text(), "Label");
    }
    EXPECT_TRUE(codes_.empty());
}

TEST_F(LanguageTest, EntryEdgesOfListsAndRepeatedNames) {
    WriteMainPack("English", "",
                  "[|UFormTest|]\r\n<|ComboBox1|>\r\nOnly one\r\n<|Label1|>\r\nfirst\r\nsecond\r\n"
                  "<|Label1|>\r\nagain\r\n<|CheckListBox2|>\r\na\r\nb\r\n");
    TestWindow w;
    SwitchTo("English");
    TranslateForm(0, w.window.get());
    EXPECT_EQ(w.combo->count(), 1);
    EXPECT_EQ(w.combo->currentIndex(), -1) << "an index beyond the new items leaves no selection";
    EXPECT_EQ(w.label->text(), "again") << "a second entry of a name replaces again";
    EXPECT_EQ(w.emptyCheckList->count(), 0);
    EXPECT_TRUE(codes_.empty());
}

TEST_F(LanguageTest, UnreadablePackEndsTheCallAndKeepsWhatWasRead) {
    WriteMainPack("English", "", "[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n");
    // A pipe where the pack should be: never opened for reading, so the start cannot hang on it.
    std::filesystem::create_directories(program_ / "Language/German");
    ASSERT_EQ(mkfifo((program_ / "Language/German/German.txt").c_str(), 0600), 0);
    int retranslations = 0;
    SetRetranslateHandler([&] { ++retranslations; });
    SwitchTo("German");
    EXPECT_EQ(codes_, std::vector<std::string>{"ULP.023-01"});
    EXPECT_EQ(WorkingLanguageList, (std::vector<std::string>{"[|UFormTest|]", "<|Label1|>", "Label"}));
    EXPECT_EQ(retranslations, 1) << "the load goes on after a failed file";
}

// Whatever lies where a pack should be, the load ends at once: a plain file is read in the
// legacy code page of its language where a line is not UTF-8; a folder is no pack; a pipe, a
// device and a file over the limit are refused with one report, and what was read stays.
TEST_F(LanguageTest, PackFilesOfEveryKindAndEncoding) {
    const Lines english{"[|UFormTest|]", "<|Label1|>", "Label"};
    auto withBody = [](const std::string& language, const std::string& value) {
        return language + "\r\n" + kTag + "\r\n[|UFormTest|]\r\n<|Label1|>\r\n" + value + "\r\n";
    };
    struct Case {
        const char* name;
        std::string language;
        std::function<void(const std::string& file)> make;
        Lines afterEnglish;  // lines read from the language's own pack
        bool reported;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"German in code page 1252", "German",
         [&](const std::string& f) { WriteFile(f, withBody("Deutsch", "\xC4\xF6\xFC\xDF Schlie\xDF" "en")); },
         {"[|UFormTest|]", "<|Label1|>", "Äöüß Schließen"}, false},
        {"UTF-8 with one stray 1252 byte spoils nothing",
         "German",
         [&](const std::string& f) {
             WriteFile(f, withBody("Deutsch", "Gr\xC3\xB6\xC3\x9F" "e\r\n<|Hint-Label1|>\r\nStra\xDF" "e"));
         },
         {"[|UFormTest|]", "<|Label1|>", "Größe", "<|Hint-Label1|>", "Straße"}, false},
        {"Ukrainian in code page 1251", "Ukrainian",
         [&](const std::string& f) { WriteFile(f, withBody("U", "\xCF\xF0\xE8\xE2\xB3\xF2")); },
         {"[|UFormTest|]", "<|Label1|>", "Привіт"}, false},
        {"Polish in code page 1250", "Polish",
         [&](const std::string& f) { WriteFile(f, withBody("P", "\xA3\xF3" "d\x9F")); },
         {"[|UFormTest|]", "<|Label1|>", "Łódź"}, false},
        {"Greek in code page 1253", "Greek",
         [&](const std::string& f) { WriteFile(f, withBody("G", "\xC5\xEB\xEB\xE7\xED\xE9\xEA\xDC")); },
         {"[|UFormTest|]", "<|Label1|>", "Ελληνικά"}, false},
        {"Turkish in code page 1254", "Turkish",
         [&](const std::string& f) { WriteFile(f, withBody("T", "\xDE\xFEi\xF0\xFD")); },
         {"[|UFormTest|]", "<|Label1|>", "Şşiğı"}, false},
        {"a folder is a missing pack", "German",
         [&](const std::string& f) { std::filesystem::create_directories(f); }, {}, false},
        {"a pipe", "German", [&](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, {}, true},
        {"a link to /dev/zero", "German",
         [&](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); }, {}, true},
        {"over the 16 MiB limit", "German",
         [&](const std::string& f) {
             WriteFile(f, withBody("Deutsch", "Zu gro\xDF"));
             std::filesystem::resize_file(f, 16u * 1024u * 1024u + 1u);
         },
         {}, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(program_ / "Language");
        WriteMainPack("English", "", "[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n");
        const std::string folder = program_ / ("Language/" + c.language);
        std::filesystem::create_directories(folder);
        c.make(folder + "/" + c.language + ".txt");
        codes_.clear();
        SwitchTo(c.language);
        Lines expected = english;
        expected.insert(expected.end(), c.afterEnglish.begin(), c.afterEnglish.end());
        EXPECT_EQ(WorkingLanguageList, expected);
        EXPECT_EQ(codes_, c.reported ? std::vector<std::string>{"ULP.023-01"} : std::vector<std::string>{});
    }
}

TEST_F(LanguageTest, StoredLanguageThatIsAPathReadsNothing) {
    WritePack("Evil", "x.txt", "E\r\n" + std::string(kTag) + "\r\n[|UFormTest|]\r\n");
    // A folder may be named with a line break or an escape sequence; a language never is.
    for (const char* name : {"Ev\nil", "Ev\x1b[2Jil"})
        WritePack(name, std::string(name) + ".txt", "E\r\n" + std::string(kTag) + "\r\n[|UFormTest|]\r\n");
    for (const char* language : {"../Language/Evil", "..", "Evil/..", "a\\b", "Ev\nil", "Ev\x1b[2Jil"}) {
        SCOPED_TRACE(language);
        SwitchTo(language);
        EXPECT_TRUE(WorkingLanguageList.empty());
    }
    EXPECT_TRUE(codes_.empty());
}

// The hidden memos of the carrier frame hold their Lines without a text document; the
// translation captures, replaces and restores them as it does a memo's lines.
TEST_F(LanguageTest, CarrierMemoLinesAreCapturedTranslatedAndRestored) {
    WriteMainPack("English", "", "[|FrameLangComponents1|]\r\n<|MLanProc|>\r\nFirst\r\n\r\nThird\r\n");
    TUFrameLangComponents frame;
    frame.setObjectName("FrameLangComponents1");
    EXPECT_EQ(frame.findChild<QPlainTextEdit*>(), nullptr) << "no memo of the frame has a text document";
    frame.MLanProc->SetLines({QString::fromUtf8("Один"), QString::fromUtf8("Два")});
    CaptureFrameTexts(1, &frame);
    EXPECT_EQ(BaseTexts, (std::vector<std::string>{"[|FrameLangComponents1|]", "<|MLanProc|>", "Один", "Два"}));

    SwitchTo("English");
    TranslateFramePlain(1, &frame);
    EXPECT_EQ(frame.MLanProc->Lines(), (QStringList{"First", "", "Third"}));
    EXPECT_TRUE(frame.MLanCapt->Lines().isEmpty()) << "a memo no section names keeps its lines";

    SwitchTo("Russian");
    TranslateFramePlain(1, &frame);
    EXPECT_EQ(frame.MLanProc->Lines(), (QStringList{QString::fromUtf8("Один"), QString::fromUtf8("Два")}));
    EXPECT_TRUE(codes_.empty()) << codes_.front();
}

TEST_F(LanguageTest, DumpsGoToTheDefLangFolder) {
    WriteMainPack("English", "", "[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n");
    LanguageDumpEnabled = true;
    TestWindow w;
    CaptureFormTexts(0, w.window.get());
    CaptureFrameTexts(1, w.frame);
    SwitchTo("English");
    const std::string window = ReadFile(program_ / "DefLang/UFormTest.txt");
    EXPECT_EQ(window.rfind("[|UFormTest|]\r\n<|UFormTest|>\r\nОкно\r\n<|Label1|>\r\nМетка\r\n", 0), 0u) << window;
    EXPECT_NE(window.find("<|Hint-NTCLabel2|>\r\nАдрес\r\n"), std::string::npos);
    EXPECT_EQ(window.find("example.invalid"), std::string::npos) << "an NTC component's text is not captured";
    EXPECT_NE(window.find("<|ComboBox1|>\r\nОдин\r\nДва\r\nТри\r\n"), std::string::npos);
    EXPECT_NE(window.find("<|ValueListEditor1|>\r\nКлюч\r\nИмя\r\nАдрес\r\n"), std::string::npos);
    EXPECT_EQ(window.find("Label1Frame"), std::string::npos) << "the frame's components belong to the frame";
    EXPECT_EQ(window.find("Russian"), std::string::npos) << "run-time menu items are not captured";
    EXPECT_NE(window.find("<|N9|>\r\n&Справка...\r\n"), std::string::npos);
    EXPECT_EQ(window.find("<|Hint-N9|>"), std::string::npos) << "a menu item without a hint of its own has none";
    EXPECT_EQ(ReadFile(program_ / "DefLang/UFrameTest1.txt"), "[|UFrameTest1|]\r\n<|Label1Frame|>\r\nМетка рамки\r\n");
    EXPECT_EQ(BaseTexts, (std::vector<std::string>{"[|UFrameTest1|]", "<|Label1Frame|>", "Метка рамки"}));
    EXPECT_EQ(ReadFile(program_ / "DefLang/t1.txt"),
              "[|UFrameTest1|]\r\n<|Label1Frame|>\r\nМетка рамки\r\n[|UFormTest|]\r\n<|Label1|>\r\nLabel\r\n");
}

TEST_F(LanguageTest, ReplacementsOfTheProcessorEndOnEveryPattern) {
    int count = -1;
    EXPECT_EQ(ReplaceAllCounted("a-a", "a", "[a]", count), "[a]-[a]");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ReplacePlaceholder("abc", "", "x"), "abc");
    EXPECT_EQ(ReplacePlaceholder("%s of %d", "%d", "5"), "%s of 5");
    EXPECT_EQ(FindSubstring("abc", "c"), 3);
    EXPECT_FALSE(IsNotCommentPrefix("\\\\"));
    EXPECT_TRUE(IsNotCommentPrefix("/"));
}

}  // namespace
