// The About window and the not-supported-system window: their components, the stored page shown
// safely, the translator credits, the links and their hover colours.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include "foundation/ShellOpen.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/About.h"
#include "host/AboutPage.h"
#include "host/IncludeModules.h"
#include "host/NotSupportedOS.h"
#include "language/LangProcessor.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TextsFit.h"

using namespace kestrune;

namespace {

struct Opened {
    std::string url;
    int show;
    bool operator==(const Opened&) const = default;
};

// Records the pages opened and the location codes reported while it lives.
class Recording {
public:
    std::vector<Opened> opened;
    ErrorCodeRecorder errorCodes;
    std::vector<std::string>& codes = errorCodes.codes;

private:
    testsupport::ScopedHook<ShellOpenHandler> opener_{SetShellOpenHandlerForTesting,
                                                      [this](const std::string& url, int show) {
                                                          opened.push_back({url, show});
                                                      }};
};

QLabel* Label(QWidget* window, const char* name) {
    auto* label = window->findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name;
    return label;
}

void MoveOver(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

class AboutWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramValuesForTesting();
        MinimumWindowsText = "2000";
    }
    void TearDown() override {
        ResetAboutPageForTesting();
        ResetProgramValuesForTesting();
    }
};

// The credits panel stays hidden without a translator; the mail line takes the web line's row when
// there is no web address; the window grows by the rows shown.
TEST_F(AboutWindow, CreditsSetTheirRowsAndTheWindowHeight) {
    struct Case {
        const char* name;
        const char* translator;
        const char* url;
        const char* mail;
        bool panel;
        int mailTop;  // -1: the mail row is hidden
        int height;
    };
    const std::vector<Case> cases{
        {"none", "", "", "", false, -1, 282},
        {"name only", "Ann", "", "", true, -1, 308},
        {"name and mail", "Ann", "", "ann@example.org", true, 18, 328},
        {"all three", "Ann", "ann.example.org", "ann@example.org", true, 38, 348},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TranslatorName = c.translator;
        TranslatorUrl = c.url;
        TranslatorMail = c.mail;
        auto* window = new TUFormAbout();
        // The layout's width is the least: the bottom bar's text in the font actually used may
        // need more (the fit test checks that every text is whole).
        EXPECT_EQ(window->height(), c.height);
        EXPECT_GE(window->width(), 328);
        auto* panel = window->findChild<QWidget*>("NTCPanel1");
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->isVisibleTo(window), c.panel);
        if (c.panel) {
            EXPECT_EQ(Label(window, "NTC1Label3")->text(), QString::fromUtf8("Перевод: ") + c.translator);
            EXPECT_EQ(panel->height(), c.height - 288);
        }
        EXPECT_EQ(Label(window, "NTC1Label5")->isVisibleTo(window), *c.url != '\0');
        EXPECT_EQ(Label(window, "NTC1Label6")->isVisibleTo(window), *c.url != '\0');
        if (*c.url) {
            EXPECT_EQ(Label(window, "NTC1Label5")->text(), c.url);
        }
        EXPECT_EQ(Label(window, "NTC1Label8")->isVisibleTo(window), c.mailTop >= 0);
        if (c.mailTop >= 0) {
            EXPECT_EQ(Label(window, "NTC1Label8")->y(), c.mailTop);
            EXPECT_EQ(Label(window, "NTC1Label7")->y(), c.mailTop + 2);
            EXPECT_EQ(Label(window, "NTC1Label8")->text(), c.mail);
        }
        window->close();
    }
}

// Every text is whole in the font actually used, at the layout's 8 points and at 12 (about
// 140 DPI): the bottom bar's date, "E-mail:" beside its link, the credits; the layout's sizes are
// the least sizes.
TEST_F(AboutWindow, EveryTextFitsAtTwoFontSizes) {
    struct Case {
        const char* translator;
        const char* url;
        const char* mail;
        int height;
    };
    const Case cases[] = {{"", "", "", 282}, {"Ann", "ann.example.org", "ann@example.org", 348}};
    for (const double points : {8.0, 12.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(points) + " pt, credits of '" + c.translator + "'");
            TranslatorName = c.translator;
            TranslatorUrl = c.url;
            TranslatorMail = c.mail;
            auto* window = new TUFormAbout();
            QFont font = window->font();
            font.setPointSizeF(points);
            window->setFont(font);
            EXPECT_GE(window->width(), 328);
            EXPECT_GE(window->height(), c.height);
            testsupport::ExpectTextsFit(*window);
            EXPECT_TRUE(Label(window, "NTCPanel3")->text().endsWith("The date of issue: 08.11.14"));
            // The centred labels fill their panels, which stay centred in the window however much
            // it widened.
            for (const char* name : {"NTCLabel2", "NTCLabel17", "Label2", "NTC1Label3"}) {
                const QLabel* label = Label(window, name);
                if (!label || !label->isVisibleTo(window)) continue;
                EXPECT_EQ(label->x(), 0) << name;
                EXPECT_EQ(label->width(), label->parentWidget()->width()) << name;
                const int centre = label->mapTo(window, QPoint(label->width() / 2, 0)).x();
                EXPECT_NEAR(centre, window->width() / 2, 4) << name << " in a window " << window->width() << " wide";
            }
            window->close();
        }
    }
    // The not-supported window: "E-mail:" and its link, the button beside them.
    for (const double points : {8.0, 12.0}) {
        SCOPED_TRACE(std::to_string(points) + " pt, not-supported window");
        auto* window = new TUFormNotSupportedOS();
        QFont font = window->font();
        font.setPointSizeF(points);
        window->setFont(font);
        auto* memos = window->findChild<QWidget*>("Panel1");
        testsupport::ExpectTextsFit(*window, {memos});
        window->close();
    }
}

// The fixed texts of the window: version line, minimum system, bottom bar; only the first page
// can be seen.
TEST_F(AboutWindow, FillsItsTextsAsDesigned) {
    Recording recording;
    auto* window = new TUFormAbout();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("О программе..."));
    EXPECT_EQ(Label(window, "NTCLabel2")->text(), QString::fromUtf8("KV.Kestrune версия: 1.0.3.2k.lang"));
    EXPECT_EQ(Label(window, "Label2")->text(), QString::fromUtf8("Предназначена для Windows 2000 и выше.\n"));
    EXPECT_EQ(Label(window, "NTCPanel3")->text(),
              "Made in Russia/Ukraine" + QString(23, ' ') + "The date of issue: 08.11.14");
    EXPECT_EQ(Label(window, "NTCPanel3")->text().size(), 72);
    EXPECT_EQ(Label(window, "NTCLabelHTTP")->text(), kSiteHost);
    EXPECT_EQ(Label(window, "NTCLabelEMail")->text(), kDeveloperAddress);
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheet1");
    EXPECT_FALSE(pages->tabBar()->isVisibleTo(window));
    EXPECT_TRUE(window->findChild<QPlainTextEdit*>("NTCMemo1")->toPlainText().isEmpty());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinMaxButtonsHint));
    EXPECT_TRUE(recording.codes.empty());
    window->close();
}

// The stored page shows its own pictures and nothing else: whatever it names outside itself (a
// network address, a local file) is never loaded, and a page that is missing, empty, garbage or
// too large leaves the pane empty. Only a page that cannot be read at all is a failure.
TEST_F(AboutWindow, ShowsTheStoredPageSafely) {
    const std::string hostile =
        "<html><body><script>alert('owned')</script><p>Hello</p>"
        "<img src=\"http://127.0.0.1:9/remote.gif\"><img src=\"file:///etc/hostname\">"
        "<a href=\"file:///bin/sh\">run</a></body></html>";
    struct Case {
        const char* name;
        std::optional<std::string> page;
        bool pictures;     // the shipped pictures are loaded
        const char* text;  // expected in the pane's text
        bool failure;
    };
    const std::vector<Case> cases{
        {"shipped", std::nullopt, true, "", false},
        {"empty", std::string(), false, "", false},
        {"garbage", std::string("\x01\x02 not a page"), false, "", false},
        {"huge", "<html><body>" + std::string(kAboutPageLimit, 'x') + "</body></html>", false, "", false},
        {"hostile", hostile, false, "Hello", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recording recording;
        if (c.page) SetAboutPageForTesting(*c.page);
        else ResetAboutPageForTesting();
        auto* window = new TUFormAbout();
        auto* pane = window->findChild<QTextBrowser*>("AboutPage");
        ASSERT_NE(pane, nullptr);
        QTextDocument* document = pane->document();
        // A picture that is none of the archive's is the document's blank placeholder.
        auto placeholder = [document](const char* name) {
            const QVariant picture = document->resource(QTextDocument::ImageResource, QUrl(name));
            return qvariant_cast<QImage>(picture).size() == QSize(1, 1);
        };
        EXPECT_EQ(!placeholder("file:///Anim.gif"), c.pictures);
        for (const char* outside : {"http://127.0.0.1:9/remote.gif", "file:///etc/hostname", "qrc:/about/About.mht"})
            EXPECT_TRUE(placeholder(outside)) << outside;
        EXPECT_FALSE(document->toPlainText().contains("alert"));
        EXPECT_TRUE(document->toPlainText().contains(c.text));
        EXPECT_EQ(Label(window, "NTCLabel2")->text().isEmpty(), c.failure) << "the rest of the window is filled";
        EXPECT_TRUE(recording.codes.empty());
        window->close();
    }
    // A page that cannot be read is reported; the window still opens.
    Recording recording;
    SetAboutPageForTesting(std::nullopt);
    auto* window = new TUFormAbout();
    EXPECT_EQ(recording.codes, std::vector<std::string>{"UA.007-01"});
    EXPECT_TRUE(window->findChild<QTextBrowser*>("AboutPage")->document()->isEmpty());
    window->close();
}

TEST(AboutPageArchive, ReadsTheShippedArchive) {
    const std::optional<std::string> stored = StoredAboutPage();
    ASSERT_TRUE(stored);
    const std::optional<AboutPageArchive> archive = ParseAboutPage(*stored);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(archive->html.contains("background-color:#e6e6e6"));
    for (const char* location : {"file:///Anim.gif", "file:///n1.GIF", "file:///logo.gif"}) {
        SCOPED_TRACE(location);
        ASSERT_TRUE(archive->parts.count(location));
        EXPECT_FALSE(QImage::fromData(archive->parts.at(location)).isNull());
    }
    EXPECT_EQ(QImage::fromData(archive->parts.at("file:///Anim.gif")).size(), QSize(245, 72));
}

// The quoted-printable HTML part in windows-1251, folded headers and soft line breaks.
TEST(AboutPageArchive, DecodesItsParts) {
    const std::string archive =
        "MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
        "\tboundary=\"--b\"\r\n\r\n"
        "----b\r\nContent-Type: text/html;\r\n\tcharset=\"windows-1251\"\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
        "<html><body>=CF=F0=E8=E2=E5=F2 lo=\r\nng line</body></html>\r\n"
        "----b\r\nContent-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Location: file:///x.gif\r\n\r\nYWJj\r\n----b--\r\n";
    const std::optional<AboutPageArchive> parsed = ParseAboutPage(archive);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->html, QString::fromUtf8("<html><body>Привет long line</body></html>\r\n"));
    ASSERT_TRUE(parsed->parts.count("file:///x.gif"));
    EXPECT_EQ(parsed->parts.at("file:///x.gif"), QByteArray("abc"));
    EXPECT_FALSE(ParseAboutPage("Content-Type: multipart/related; boundary=b\r\n\r\n--b\r\n\r\nno html\r\n--b--"));
}

// Web links open with show command 0, mail links with 5, all through the opening rules: a
// translator address that is no web address is not opened.
TEST_F(AboutWindow, LinksOpenThroughTheOpeningRules) {
    Recording recording;
    TranslatorName = "Ann";
    TranslatorUrl = "ann.example.org";
    TranslatorMail = "ann@example.org";
    auto* window = new TUFormAbout();
    for (const char* link : {"NTCLabelHTTP", "NTCLabelEMail", "NTC1Label5", "NTC1Label8"})
        QTest::mouseClick(Label(window, link), Qt::LeftButton);
    const std::vector<Opened> expected{{"http://kestrune.example.org/", 0},
                                       {"mailto:kestrune@example.org", 5},
                                       {"http://ann.example.org", 0},
                                       {"mailto:ann@example.org", 5}};
    EXPECT_EQ(recording.opened, expected);
    window->close();

    recording.opened.clear();
    TranslatorUrl = "-oProxyCommand=x /etc/passwd";
    window = new TUFormAbout();
    QTest::mouseClick(Label(window, "NTC1Label5"), Qt::LeftButton);
    EXPECT_TRUE(recording.opened.empty());
    window->close();
}

// A link turns red under the mouse; the window and its panels turn every link blue again.
TEST_F(AboutWindow, LinksTurnRedUnderTheMouse) {
    TranslatorName = "Ann";
    TranslatorUrl = "ann.example.org";
    auto* window = new TUFormAbout();
    QLabel* http = Label(window, "NTCLabelHTTP");
    QLabel* mail = Label(window, "NTCLabelEMail");
    EXPECT_EQ(TextColour(http), QColor(Qt::blue));
    MoveOver(http);
    EXPECT_EQ(TextColour(http), QColor(Qt::red));
    MoveOver(mail);
    EXPECT_EQ(TextColour(http), QColor(Qt::red)) << "from one link straight onto another leaves both red";
    EXPECT_EQ(TextColour(mail), QColor(Qt::red));
    MoveOver(window->findChild<QWidget*>("NTCPanel5"));
    EXPECT_EQ(TextColour(http), QColor(Qt::blue));
    EXPECT_EQ(TextColour(mail), QColor(Qt::blue));
    MoveOver(Label(window, "NTC1Label5"));
    EXPECT_EQ(TextColour(Label(window, "NTC1Label5")), QColor(Qt::red));
    MoveOver(window);
    EXPECT_EQ(TextColour(Label(window, "NTC1Label5")), QColor(Qt::blue));
    window->close();
}

// The window translated in a real start, opened from the settings window, in both languages.
TEST(AboutWindowStart, TranslatedInTheLanguageOfTheStart) {
    struct Case {
        const char* language;
        const char* title;
        const char* version;
        const char* minimum;
        const char* hint;
    };
    const std::vector<Case> cases{
        {"Russian", "О программе...", "KV.Kestrune версия: 1.0.3.2k.lang", "Предназначена для Windows 2000 и выше.\n",
         "Посетите сайт программы для обновлений"},
        {"English", "About...", "KV.Kestrune version: 1.0.3.2k.lang", "Intended for Windows 2000 and later.",
         "Visit the program's site for updates"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        hosttest::ScratchProgram program;
        bool seen = false;
        program.WhenModal("FormSettings", [&](QWidget* settings) {
            program.WhenModal("UFormAbout", [&](QWidget* about) {
                seen = true;
                EXPECT_EQ(about->windowTitle(), QString::fromUtf8(c.title));
                EXPECT_EQ(Label(about, "NTCLabel2")->text(), QString::fromUtf8(c.version));
                EXPECT_EQ(Label(about, "Label2")->text(), QString::fromUtf8(c.minimum));
                EXPECT_EQ(Label(about, "NTCLabelHTTP")->toolTip(), QString::fromUtf8(c.hint));
                EXPECT_EQ(Label(about, "NTCLabelHTTP")->text(), kSiteHost) << "link captions are kept";
                QTest::mouseClick(about->findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);
            });
            QTest::mouseClick(settings->findChild<QPushButton*>("Button1"), Qt::LeftButton);
            QTest::mouseClick(settings->findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);
        });
        EXPECT_EQ(program.Start({"1", "Prog", "2.0", c.language, "", "http://127.0.0.1:9/"}), 0);
        EXPECT_TRUE(seen);
    }
}

TEST(NotSupportedWindow, ComponentsAsDesigned) {
    auto* window = new TUFormNotSupportedOS();
    EXPECT_EQ(window->size(), QSize(329, 147));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    struct Memo {
        const char* name;
        QRect bounds;
        const char* text;
    };
    const std::vector<Memo> memos{
        {"Memo2", {8, 5, 313, 22}, ""},
        {"Memo1",
         {8, 30, 313, 36},
         "Программа не совместима с вашей Windows!\nThe program is not combined with your OS!"},
        {"Memo3", {8, 69, 313, 36}, "s1\ns2"},
    };
    for (const Memo& m : memos) {
        SCOPED_TRACE(m.name);
        auto* memo = window->findChild<QPlainTextEdit*>(m.name);
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->geometry(), m.bounds);
        EXPECT_EQ(memo->toPlainText(), QString::fromUtf8(m.text));
        EXPECT_TRUE(memo->isReadOnly());
    }
    EXPECT_EQ(window->Memo2, window->findChild<QPlainTextEdit*>("Memo2"));
    EXPECT_EQ(window->Memo3, window->findChild<QPlainTextEdit*>("Memo3"));
    auto* ok = window->findChild<QPushButton*>("ButtonOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->geometry(), QRect(220, 116, 95, 22));
    EXPECT_EQ(ok->text(), "&Ok");
    EXPECT_EQ(Label(window, "NTCLabelHTTP")->pos(), QPoint(54, 108));
    // The mail link keeps its row and starts where "E-mail:" in the font actually used leaves room.
    QLabel* mailLabel = Label(window, "NTCLabel1");
    EXPECT_EQ(Label(window, "NTCLabelEMail")->y(), 126);
    EXPECT_GE(Label(window, "NTCLabelEMail")->x(),
              std::max(54, mailLabel->x() + mailLabel->fontMetrics().horizontalAdvance(mailLabel->text()) + 2));
    window->close();
}

// Both links open with show command 0; moving from one link to the other swaps their colours.
TEST(NotSupportedWindow, LinksOpenAndChangeColour) {
    Recording recording;
    auto* window = new TUFormNotSupportedOS();
    QLabel* http = Label(window, "NTCLabelHTTP");
    QLabel* mail = Label(window, "NTCLabelEMail");
    MoveOver(http);
    EXPECT_EQ(TextColour(http), QColor(Qt::red));
    EXPECT_EQ(TextColour(mail), QColor(Qt::blue));
    MoveOver(mail);
    EXPECT_EQ(TextColour(http), QColor(Qt::blue));
    EXPECT_EQ(TextColour(mail), QColor(Qt::red));
    MoveOver(window);
    EXPECT_EQ(TextColour(mail), QColor(Qt::blue));
    QTest::mouseClick(http, Qt::LeftButton);
    QTest::mouseClick(mail, Qt::LeftButton);
    const std::vector<Opened> expected{{std::string("http://") + kOlderSiteHost, 0},
                                       {std::string("mailto:") + kDeveloperAddress, 0}};
    EXPECT_EQ(recording.opened, expected);
    window->close();
}

}  // namespace
