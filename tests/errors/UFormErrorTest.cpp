#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "errors/UFormError.h"
#include "host/UnitMain.h"
#include "tests/errors/ErrorFixture.h"
#include "tests/support/TextsFit.h"
#include "tests/support/WhenModal.h"

namespace {

using namespace kestrune;

template <class T = QWidget>
T& Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    if (!child) throw std::runtime_error(std::string("no component ") + name);
    return *child;
}

std::string PageOf(QWidget& window) {
    return Find<QTabWidget>(window, "PageControl1").currentWidget()->objectName().toStdString();
}

void Click(QWidget& window, const char* name) { QTest::mouseClick(&Find(window, name), Qt::LeftButton); }

class UFormErrorTest : public errortest::ErrorProcessorFixture {
protected:
    void SetUp() override {
        ErrorProcessorFixture::SetUp();
        SetWindowMailersForTesting(
            [this](QWidget& window) {
                mailed_.push_back("report:" + PageOf(window));
                return mailerAnswer_;
            },
            [this](QWidget& window) {
                mailed_.push_back("review:" + PageOf(window));
                return mailerAnswer_;
            });
    }
    void TearDown() override {
        SetWindowMailersForTesting({}, {});
        ErrorProcessorFixture::TearDown();
    }
    // Runs the action on the error window as soon as it is up. A window the action leaves open is
    // closed after a while, with a failure, so that no test can hang on it.
    void WhenModal(std::function<void(QWidget&)> action) {
        modals_.WhenModal(
            "UFormError",
            [action = std::move(action)](QWidget* window) {
                try {
                    action(*window);
                } catch (const std::exception& e) {
                    ADD_FAILURE() << e.what();
                    window->close();
                }
            },
            5000);
    }
    std::vector<std::string> mailed_;
    bool mailerAnswer_ = true;  // false: the body could not be made
    testsupport::ModalDriver modals_;
};

TEST_F(UFormErrorTest, IgnoreClosesTheWindowAndTheRoutineGoesOn) {
    bool checked = false;
    WhenModal([&](QWidget& window) {
        EXPECT_TRUE(ErrorWindowOpen);
        // English is chosen and no pack can be read: the built-in English texts.
        EXPECT_EQ(Find<QLabel>(window, "Label1").text().toStdString(), "Program error in \"KV.Kestrune\"!");
        EXPECT_EQ(window.windowTitle().toStdString(), "Program error in KV.Kestrune...");
        EXPECT_FALSE(Find(window, "Button1").isEnabled());
        EXPECT_EQ(window.height(), 175);
        Click(window, "Button3");
        checked = true;
    });
    errortest::FailAt("URG.003-02");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(ErrorWindowOpen);
    EXPECT_EQ(UFormError, nullptr);
    EXPECT_FALSE(BusyFlag);
    EXPECT_FALSE(TerminateRequested());
}

TEST_F(UFormErrorTest, ReportFromTheErrorPageIsSentOnceAndReturns) {
    WhenModal([&](QWidget& window) {
        Click(window, "Button4");
        EXPECT_EQ(PageOf(window), "NTCTabSheet2");
        EXPECT_EQ(window.height(), 300);
        EXPECT_EQ(Find(window, "UFrameHlpBtn1").y(), 270);
        EXPECT_FALSE(Find(window, "Button4").isEnabled());
        EXPECT_TRUE(Find(window, "Button5").isEnabled());

        Click(window, "Button5");
        EXPECT_EQ(PageOf(window), "NTCTabSheet1");
        EXPECT_EQ(window.height(), 175);
        EXPECT_EQ(Find(window, "UFrameHlpBtn1").y(), 190);
        EXPECT_FALSE(Find(window, "Button4").isEnabled());
        EXPECT_TRUE(window.isVisible());
        Click(window, "Button3");
    });
    errortest::FailAt("URG.003-02");
    EXPECT_EQ(mailed_, std::vector<std::string>{"report:NTCTabSheet2"});
    EXPECT_FALSE(ErrorWindowOpen);
}

TEST_F(UFormErrorTest, TheUserCannotChangePages) {
    WhenModal([&](QWidget& window) {
        auto& pages = Find<QTabWidget>(window, "PageControl1");
        EXPECT_TRUE(pages.tabBar()->isHidden());
        const struct {
            const char* target;
            Qt::Key key;
        } presses[] = {{"PageControl1", Qt::Key_Tab},
                       {"PageControl1", Qt::Key_PageDown},
                       {"Button3", Qt::Key_PageDown},
                       {"Button3", Qt::Key_Backtab}};
        for (const auto& press : presses) {
            QTest::keyClick(&Find(window, press.target), press.key, Qt::ControlModifier);
            EXPECT_EQ(PageOf(window), "NTCTabSheet1") << press.target << " " << press.key;
        }
        // The same key changes the page while the code permits it: the refusal is what held it.
        PageChangeAllowed = true;
        QTest::keyClick(&pages, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_NE(PageOf(window), "NTCTabSheet1");
        PageChangeAllowed = false;
        QTest::keyClick(&window, Qt::Key_Escape);  // no cancel button: Esc leaves the window open
        EXPECT_TRUE(window.isVisible());
        Click(window, "Button3");
    });
    errortest::FailAt("URG.003-02");
}

TEST_F(UFormErrorTest, CloseProgramEndsTheRunWithoutTheCloseHandler) {
    // Ending the run ends every later event loop of the process too: a child process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool refreshed = false;
            SetErrorWindowHooks({nullptr, [&] { refreshed = true; }, nullptr});
            WhenModal([&](QWidget& window) { Click(window, "Button2"); });
            errortest::FailAt("URG.003-02");
            // The window was never closed, so its close handler did not run.
            const bool ended = TerminateRequested() && ErrorWindowOpen && !refreshed && !BusyFlag;
            std::fprintf(stderr, ended ? "ended\n" : "still running\n");
            std::_Exit(ended ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "ended");
}

TEST_F(UFormErrorTest, ReviewSendWaitsForText) {
    ProductName = "Caller";
    WhenModal([&](QWidget& window) {
        EXPECT_EQ(PageOf(window), "NTCTabSheet3");
        EXPECT_EQ(window.height(), 258);
        EXPECT_TRUE(Find(window, "Bevel3").isHidden());
        EXPECT_EQ(Find(window, "Button6").y(), 225);
        EXPECT_EQ(Find(window, "Button7").y(), 225);
        auto& send = Find(window, "Button6");
        EXPECT_FALSE(send.isEnabled());
        QTest::keyClick(&Find(window, "Memo4"), Qt::Key_Space);
        EXPECT_TRUE(send.isEnabled());
        QTest::keyClick(&Find(window, "Memo4"), Qt::Key_Backspace);
        EXPECT_FALSE(send.isEnabled());
        QTest::keyClicks(&Find(window, "Memo4"), "fine");
        Click(window, "Button6");
    });
    ProcessError("review");
    EXPECT_EQ(mailed_, std::vector<std::string>{"review:NTCTabSheet3"});
    EXPECT_FALSE(ErrorWindowOpen);
    EXPECT_FALSE(ErrorOccurred);
}

TEST_F(UFormErrorTest, ReviewCancelAfterAFailureMailsNothing) {
    ErrorOccurred = true;
    WhenModal([&](QWidget& window) {
        EXPECT_EQ(window.height(), 260);
        EXPECT_EQ(Find(window, "UFrameHlpBtn1").y(), 230);
        EXPECT_FALSE(Find(window, "Bevel3").isHidden());
        Click(window, "Button7");
    });
    ProcessError("review");
    EXPECT_TRUE(mailed_.empty());
    EXPECT_FALSE(ErrorWindowOpen);
}

TEST_F(UFormErrorTest, ReporterModeSendClosesTheWindow) {
    ErrorOccurred = true;
    WhenModal([&](QWidget& window) {
        EXPECT_EQ(PageOf(window), "NTCTabSheet2");
        EXPECT_TRUE(Find(window, "Button5").isEnabled());
        Click(window, "Button5");
    });
    ProcessError("Kestrune");
    EXPECT_EQ(mailed_, std::vector<std::string>{"report:NTCTabSheet2"});
    EXPECT_TRUE(ReporterMode);
    EXPECT_FALSE(ErrorWindowOpen);
}

// A failure while the caller's report window is open must not turn its Send into a report of
// this program's own log that returns to the failure page.
TEST_F(UFormErrorTest, AFailureUnderTheReportWindowLeavesItsSendAsItWas) {
    ErrorOccurred = true;
    bool closedBySend = false;
    WhenModal([&](QWidget& window) {
        errortest::FailAt("UHB.001-01");
        Click(window, "Button5");
        closedBySend = !window.isVisible();
        if (!closedBySend) window.close();
    });
    ProcessError("Kestrune");
    EXPECT_TRUE(closedBySend);
    EXPECT_TRUE(ReporterMode);
    EXPECT_EQ(mailed_, std::vector<std::string>{"report:NTCTabSheet2"});
}

// A Send that delivers nothing (the send failed, or its body could not be made) drops nothing the
// user typed: the text is on screen on a usable page, and the next Send mails it. The caller's
// report page stays; the report from the error page lands on the error page, whose report
// button leads back to the text.
TEST_F(UFormErrorTest, AnUndeliveredSendKeepsTheTextAndSendsAgain) {
    struct Case {
        const char* name;
        const char* pseudoCode;  // nullptr: a failure opens the error page
        const char* memo;
        const char* send;
        const char* pageAfter;   // the page shown after the undelivered send
        const char* backToText;  // the button that shows the text again, nullptr when shown
        const char* mailedPage;
    };
    const Case cases[] = {
        {"review", "review", "Memo4", "Button6", "NTCTabSheet3", nullptr, "review:NTCTabSheet3"},
        {"caller's report", "Kestrune", "Memo3", "Button5", "NTCTabSheet2", nullptr, "report:NTCTabSheet2"},
        {"report from the error page", nullptr, "Memo3", "Button5", "NTCTabSheet1", "Button4", "report:NTCTabSheet2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BackInTheEventLoop();
        mailed_.clear();
        ErrorOccurred = true;
        bool checked = false;
        WhenModal([&](QWidget& window) {
            if (!c.pseudoCode) Click(window, "Button4");
            QTest::keyClicks(&Find(window, c.memo), "what I typed");
            mailerAnswer_ = false;
            Click(window, c.send);
            EXPECT_EQ(PageOf(window), c.pageAfter);
            EXPECT_TRUE(window.isVisible());
            EXPECT_TRUE(window.isEnabled());
            if (c.backToText) {
                EXPECT_TRUE(Find(window, c.backToText).isEnabled());
                Click(window, c.backToText);
            }
            auto& memo = Find<QPlainTextEdit>(window, c.memo);
            EXPECT_EQ(memo.toPlainText(), "what I typed");
            EXPECT_TRUE(memo.isVisible());
            EXPECT_TRUE(Find(window, c.send).isVisible());
            EXPECT_TRUE(Find(window, c.send).isEnabled());
            // The user copies the text, then sends again, and this time the mail goes out.
            memo.selectAll();
            memo.copy();
            EXPECT_EQ(QApplication::clipboard()->text(), "what I typed");
            mailerAnswer_ = true;
            Click(window, c.send);
            checked = true;
            if (window.isVisible()) Click(window, "Button3");
        });
        if (c.pseudoCode) ProcessError(c.pseudoCode);
        else errortest::FailAt("URG.003-02");
        EXPECT_TRUE(checked);
        EXPECT_EQ(mailed_, (std::vector<std::string>{c.mailedPage, c.mailedPage}));
        EXPECT_FALSE(ErrorWindowOpen);
    }
}

// The caller's report page has no way out but Send, which closed the window until now: after a
// report that did not go out, Esc closes it (the text could be copied or sent again before).
TEST_F(UFormErrorTest, EscLeavesTheCallersReportPageOnlyAfterAnUndeliveredSend) {
    ErrorOccurred = true;
    bool openBeforeTheSend = false, closedByEsc = false;
    WhenModal([&](QWidget& window) {
        QTest::keyClick(&window, Qt::Key_Escape);
        openBeforeTheSend = window.isVisible();
        mailerAnswer_ = false;
        Click(window, "Button5");
        QTest::keyClick(&window, Qt::Key_Escape);
        closedByEsc = !window.isVisible();
        if (!closedByEsc) window.close();
    });
    ProcessError("Kestrune");
    EXPECT_TRUE(openBeforeTheSend);
    EXPECT_TRUE(closedByEsc);
    EXPECT_EQ(mailed_, std::vector<std::string>{"report:NTCTabSheet2"});
    EXPECT_FALSE(ErrorWindowOpen);
}

// Outside reporter mode a Send that fails in any way, its body included, lands on the error page
// with the user's text kept, where ignore and close program are (the report page has no Cancel,
// Esc and the window has no close box), and the report button again. Driven through the real
// mail of the window.
TEST_F(UFormErrorTest, AFailedReportLandsOnTheErrorPage) {
    SetWindowMailersForTesting({}, {});
    enum class Log { Folder, Pipe, NoMailSettings };
    const struct {
        const char* name;
        Log log;
    } cases[] = {{"Error.Log is a folder", Log::Folder},
                 {"Error.Log is a pipe", Log::Pipe},
                 {"the send fails", Log::NoMailSettings}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BackInTheEventLoop();
        MessageBoxRecorder boxes;
        std::string page, text, box;
        bool usable = false;
        WhenModal([&](QWidget& window) {
            // The failure has been logged by now; the log is then replaced.
            std::filesystem::remove_all(LogPath());
            if (c.log == Log::Folder) std::filesystem::create_directories(LogPath());
            if (c.log == Log::Pipe) {
                ASSERT_EQ(::mkfifo(LogPath().c_str(), 0600), 0);
            }
            Click(window, "Button4");
            QTest::keyClicks(&Find(window, "Memo3"), "what I did");
            Click(window, "Button5");
            page = PageOf(window);
            text = Find<QPlainTextEdit>(window, "Memo3").toPlainText().toStdString();
            box = boxes.calls().empty() ? "" : boxes.calls().back().kind;
            // Ignore and close program are there, and so is the way back to the text.
            usable = window.isVisible() && window.isEnabled() && Find(window, "Button3").isVisible() &&
                     Find(window, "Button3").isEnabled() && Find(window, "Button4").isEnabled();
            Click(window, "Button3");
        });
        errortest::FailAt("URG.003-02");
        EXPECT_EQ(page, "NTCTabSheet1");
        EXPECT_EQ(text, "what I did");
        EXPECT_EQ(box, "error");
        EXPECT_TRUE(usable);
        EXPECT_FALSE(ErrorWindowOpen);
        std::filesystem::remove_all(LogPath());
    }
}

// The host's job rows: mode 2 opens the feedback page for the caller, mode 3 the report page.
TEST_F(UFormErrorTest, JobRowsOpenTheFeedbackAndReportPages) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* mode;
        const char* page;
        const char* closeWith;
    };
    const Case cases[] = {{"2", "NTCTabSheet3", "Button7"}, {"3", "NTCTabSheet2", "Button5"}};
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                TFormKestrune host({"KV.Kestrune", c.mode, "Caller", "2.5", "English", "", "author@example.org",
                                    home_.root() + "/caller.log"});
                std::string seen;
                WhenModal([&](QWidget& window) {
                    seen = PageOf(window) + " " + window.windowTitle().toStdString() + " " + ProductName + " " +
                           VersionTag + " " + AuthorAddress + (ErrorOccurred ? " error" : " no-error") +
                           (ReporterMode ? " reporter" : "");
                    Click(window, c.closeWith);
                });
                host.Timer1Timer();
                std::fprintf(stderr, "[%s] %s\n", seen.c_str(), ExternalErrorLogPath.c_str());
                std::_Exit(TerminateRequested() && !ErrorWindowOpen ? 0 : 1);
            },
            ::testing::ExitedWithCode(0),
            std::string(c.page) + " Review of the program Caller... Caller 2.5 " +
                (c.mode == std::string("2") ? "author@example.org no-error\\] "
                                            : std::string("[^ ]+ error reporter\\] .*/caller.log")))
            << c.mode;
    }
}

}  // namespace

namespace {

using namespace kestrune;

class TranslatedErrorWindowTest : public errortest::ErrorProcessorFixture {
protected:
    void TearDown() override {
        CurrentLanguage = "Russian";
        LoadLanguage();
        ErrorProcessorFixture::TearDown();
    }
};

TEST_F(TranslatedErrorWindowTest, TranslatedTextsAreShownButNeverUsedAsFormats) {
    testsupport::WriteFile(AppFolder() + "/Language/English/English.txt",
                           "English\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n[|UFormError|]\r\n"
                           "<|UFormError|>\r\nError %d%n in %s...\r\n"
                           "<|Label1|>\r\nSomething went wrong!\r\n"
                           "<|Panel2|>\r\n    Code:\r\n"
                           "<|Button3|>\r\nIgnore\r\n");
    CurrentLanguage = "English";
    LoadLanguage();
    TUFormError window;
    window.ShowFailureLayout("URG.003-02.0");
    EXPECT_EQ(window.windowTitle().toStdString(), "Error %d%n in KV.Kestrune...");
    EXPECT_EQ(Find<QLabel>(window, "Label1").text().toStdString(), "Something went wrong!");
    EXPECT_EQ(Find<QLabel>(window, "Panel2").text().toStdString(), "    Code: 1.0.3-URG.003-02.0");
    EXPECT_EQ(Find<QPushButton>(window, "Button3").text().toStdString(), "Ignore");
    EXPECT_EQ(Find<QPushButton>(window, "Button2").text().toStdString(), "Закрыть программу");
}

TEST_F(TranslatedErrorWindowTest, TheShippedEnglishPackCoversTheWindow) {
    testsupport::CopyTree(testsupport::SourceDir() + "/resources/Language", AppFolder() + "/Language");
    CurrentLanguage = "English";
    LoadLanguage();
    TUFormError window;
    // Every component that shows a text of its own has left Russian behind.
    for (QWidget* child : window.findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(child)) text = label->text() + label->toolTip();
        if (auto* button = qobject_cast<QPushButton*>(child)) text = button->text();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(child)) text = memo->toPlainText();
        if (child->objectName().startsWith("NTC")) continue;
        for (const QChar c : text) {
            EXPECT_FALSE(c.script() == QChar::Script_Cyrillic)
                << child->objectName().toStdString() << ": " << text.toStdString();
            if (c.script() == QChar::Script_Cyrillic) break;
        }
    }
    EXPECT_EQ(Find<QPushButton>(window, "Button3").text().toStdString(), "Ignore");
    EXPECT_NE(window.windowTitle().indexOf("KV.Kestrune"), -1);
}

// While no pack can be read, the window speaks the chosen language from what the program carries:
// English (the shipped pack, built in) for any language but Russian; a pack that can be read wins.
TEST_F(TranslatedErrorWindowTest, BuiltInTextsWhileThePacksCannotBeRead) {
    struct Case {
        const char* language;
        std::string pack;  // English.txt in the program folder; empty: none
        const char* button3;
        const char* label1;
    };
    const std::string readable =
        "English\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n[|UFormError|]\r\n"
        "<|Button3|>\r\nLet it be\r\n";
    const std::vector<Case> cases{
        {"English", "", "Ignore", "Program error in \"KV.Kestrune\"!"},
        {"German", "", "Ignore", "Program error in \"KV.Kestrune\"!"},
        {"Russian", "", "Игнорировать", "Ошибка в работе программы \"KV.Kestrune\" !"},
        {"", "", "Игнорировать", "Ошибка в работе программы \"KV.Kestrune\" !"},
        {"English", readable, "Let it be", "Ошибка в работе программы \"KV.Kestrune\" !"},
        // Over the size limit the pack is refused with a report; the window still speaks English.
        {"English", "big", "Ignore", "Program error in \"KV.Kestrune\"!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.pack.substr(0, 8));
        const std::string pack = AppFolder() + "/Language/English/English.txt";
        std::filesystem::remove_all(AppFolder() + "/Language");
        if (c.pack == "big") {
            testsupport::WriteFile(pack, readable);
            std::filesystem::resize_file(pack, 16u * 1024u * 1024u + 1u);
        } else if (!c.pack.empty()) {
            testsupport::WriteFile(pack, c.pack);
        }
        std::vector<std::string> codes;
        auto previous = SetErrorHandler([&](const std::string& code) { codes.push_back(code); });
        CurrentLanguage = c.language;
        LoadLanguage();
        SetErrorHandler(std::move(previous));
        EXPECT_EQ(codes, c.pack == "big" ? std::vector<std::string>{"ULP.023-01"} : std::vector<std::string>{});
        TUFormError window;
        EXPECT_EQ(Find<QPushButton>(window, "Button3").text().toStdString(), c.button3);
        EXPECT_EQ(Find<QLabel>(window, "Label1").text().toStdString(), c.label1);
    }
}

}  // namespace

namespace {

using namespace kestrune;

class FittedErrorWindowTest : public errortest::ErrorProcessorFixture {
protected:
    void TearDown() override {
        CurrentLanguage = "Russian";
        LoadLanguage();
        ErrorProcessorFixture::TearDown();
    }
};

// Every text in the font actually used (the layout's Tahoma is not on the machine) fits its
// component in width and height, every component fits its container and the window, and no text
// runs into its neighbour; the layout's sizes stay the least sizes. Checked on every page and
// layout, in both shipped languages, at the layout's 8 points and at 12 (about 140 DPI).
TEST_F(FittedErrorWindowTest, EveryTextFitsInBothLanguagesAndAtTwoFontSizes) {
    testsupport::CopyTree(testsupport::SourceDir() + "/resources/Language", AppFolder() + "/Language");
    for (const char* language : {"Russian", "English"}) {
        CurrentLanguage = language;
        LoadLanguage();
        const struct {
            const char* name;
            int height;  // the layout's client height
            std::function<void(TUFormError&)> open;
        } layouts[] = {
            {"failure", 175, [](TUFormError& w) { w.ShowFailureLayout("URG.003-02.1234567"); }},
            {"report", 300, [](TUFormError& w) { w.Button4Click(); }},
            {"caller's report", 270, [](TUFormError& w) { w.ShowReportLayout(); }},
            {"review", 258, [](TUFormError& w) { w.ShowReviewLayout(); }},
        };
        for (const double points : {8.0, 12.0}) {
            for (const auto& layout : layouts) {
                SCOPED_TRACE(std::string(language) + ", " + layout.name + ", " + std::to_string(points) + " pt");
                TUFormError window;
                QFont font = window.font();
                font.setPointSizeF(points);
                window.setFont(font);
                layout.open(window);
                EXPECT_GE(window.width(), 528);
                EXPECT_GE(window.height(), layout.height);
                EXPECT_EQ(window.width(), window.ClientWidth());
                QWidget* frame = window.findChild<QWidget*>("UFrameHlpBtn1");
                testsupport::ExpectTextsFit(window, {frame});
                // The help button stays below what grew above it, inside the window.
                if (frame->y() < window.height()) {
                    EXPECT_LE(frame->geometry().bottom(), window.rect().bottom());
                }
                window.close();
            }
        }
    }
}

// The result box's button and its details speak the window's language; the program's icon is the one the window and the box show.
TEST_F(FittedErrorWindowTest, TheResultBoxFollowsTheWindowsLanguage) {
    testsupport::CopyTree(testsupport::SourceDir() + "/resources/Language", AppFolder() + "/Language");
    for (const auto& [language, ok] : {std::pair{"Russian", "ОК"}, std::pair{"English", "OK"}}) {
        SCOPED_TRACE(language);
        CurrentLanguage = language;
        LoadLanguage();
        TUFormError window;
        std::string seen;
        std::string details;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                ADD_FAILURE() << "no box";
                return;
            }
            ASSERT_EQ(box->buttons().size(), 1);
            seen = box->buttons().front()->text().toStdString();
            details = box->informativeText().toStdString();
            box->buttons().front()->click();
        });
        window.ShowMailResult(MailKind::Report, false,
                              {{MailNoteId::HostMissing, {"[Account1]"}},
                               {MailNoteId::LoginRefused, {"[Account2]", "smtp.example.org:465"}}});
        EXPECT_EQ(seen, ok);
        // The program's own texts in the window's language; names and values as written.
        EXPECT_EQ(details, language == std::string("Russian")
                               ? "[Account1] Host: не указан\n[Account2] smtp.example.org:465: вход отклонён"
                               : "[Account1] Host: missing\n[Account2] smtp.example.org:465: login refused");
    }
}

}  // namespace
