// Developer messages: the agent fetches both pages in list mode, a later start shows the page once
// and keeps it until it is silenced, and no bad page is ever shown or taken over; with the real
// agent against the loopback HTTP server, in both settings modes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextBlock>
#include <QTextList>
#include <QTextTable>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "checks/UMessageForm.h"
#include "checks/UMessages.h"
#include "language/LangProcessor.h"
#include "tests/checks/CheckFixture.h"

namespace {

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kRussianPage = "<html><body><p>Вышла новая версия</p></body></html>";
const std::string kEnglishPage = "<html><body><p>A new version is out</p></body></html>";

// The text in UTF-16 (little- or big-endian) after the bytes of a byte-order mark.
std::string Utf16(const std::string& mark, const char* text, bool little) {
    std::string bytes = mark;
    for (const char16_t c : QString::fromUtf8(text).toStdU16String()) {
        const char low = static_cast<char>(c & 0xff), high = static_cast<char>(c >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

// A page of words whose body has exactly the given size.
std::string ExactPage(std::size_t size) {
    std::string page = "<p>";
    while (page.size() + 4 + 6 <= size) page += "words ";
    page.append(size - 4 - page.size(), 'x');
    return page + "</p>";
}

int TableNesting(QTextFrame* frame) {
    int deepest = 0;
    for (QTextFrame* child : frame->childFrames()) deepest = std::max(deepest, TableNesting(child));
    return deepest + (qobject_cast<QTextTable*>(frame) ? 1 : 0);
}

struct Shown {
    int windows = 0;
    QString caption;
    QString page;
    int tables = -1;    // table nesting of the shown document
    double height = 0;  // of the laid-out document, in pixels
};

class MessagesTest : public checktest::CheckFixture {
protected:
    void SetUp() override {
        CheckFixture::SetUp();
        CurrentLanguage = "Russian";
        CommandLineLanguage = "Russian";
        CallingProgramName = "Prog";
        SuppressCheckWindows = false;
        MessagesUrl = server_->Url();
    }
    void TearDown() override {
        CheckFixture::TearDown();
        MessagesUrl.clear();
        CommandLineLanguage.clear();
    }
    void Publish(const std::string& mark, const std::string& russian, const std::string& english) {
        Serve("Messages_LastEdit.txt", mark);
        Serve("MessagesEng_LastEdit.txt", mark);
        Serve("Messages.txt", russian);
        Serve("MessagesEng.txt", english);
    }
    // The fetch of a start: the check (when due) and both agent runs to their end.
    void Fetch() {
        messages::LaunchCheckUAC();
        WaitForAgents();
    }
    // The showing of a start; an open window is closed with the given button.
    Shown Show(const char* button = "Button2", const std::function<void(QTextDocument*)>& inspect = {}) {
        Shown shown;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (auto* form = qobject_cast<TUFormUMessage*>(QApplication::activeModalWidget())) {
                ++shown.windows;
                shown.caption = form->findChild<QLabel*>("Panel1")->text();
                const QTextBrowser* pane = form->findChild<QTextBrowser*>("NTCWebBrowser1");
                shown.page = pane->toPlainText();
                shown.tables = TableNesting(pane->document()->rootFrame());
                shown.height = pane->document()->documentLayout()->documentSize().height();
                if (inspect) inspect(pane->document());
                form->findChild<QPushButton*>(button)->click();
            }
        });
        watcher.start(10);
        messages::CheckNewFile(nullptr);
        return shown;
    }
    // The next start finds the check due again.
    void MakeDue() { platform::RemoveFile(settings("Messages_LastCheck.ini")); }
};

// A published page is fetched once, shown at the next start and at every start after it until the
// user silences it; an unchanged mark fetches no page; a new page is shown again even after the
// old one was silenced.
TEST_P(MessagesTest, APageIsShownUntilSilencedAndANewOneAgain) {
    Publish("1", kRussianPage, kEnglishPage);
    EXPECT_EQ(Show().windows, 0) << "nothing fetched yet";
    Fetch();
    EXPECT_EQ(Fetched("Messages.txt"), 1);
    EXPECT_EQ(Fetched("MessagesEng.txt"), 1);

    Shown first = Show("Button2");  // remind later
    EXPECT_EQ(first.windows, 1);
    EXPECT_EQ(first.caption, QString::fromUtf8("Сообщение от разработчиков Prog"));
    EXPECT_EQ(first.page, QString::fromUtf8("Вышла новая версия"));
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html")));
    EXPECT_FALSE(FileExists(settings("Messages.ini"))) << "taken over";

    MakeDue();
    Fetch();
    EXPECT_EQ(Fetched("Messages.txt"), 1) << "an unchanged mark fetches no page";
    EXPECT_EQ(Show("Button1").windows, 1) << "reminded later; now silenced";
    EXPECT_TRUE(FileExists(settings("Messages_CheckTrue")));
    EXPECT_EQ(Show().windows, 0);

    Publish("2", "<p>Второе сообщение</p>", "<p>Second message</p>");
    MakeDue();
    Fetch();
    CommandLineLanguage = "English";
    Shown second = Show("Button2");
    EXPECT_EQ(second.windows, 1) << "a new page is shown although the old one was silenced";
    EXPECT_EQ(second.page, "Second message");
    EXPECT_EQ(Show().windows, 1) << "and \"remind later\" reminds";
    EXPECT_TRUE(errorCodes.codes.empty());
}

// Pages that fail on their way store nothing and show nothing; the check is not due again at once.
TEST_P(MessagesTest, FailedFetchesStoreNothing) {
    for (const char* how : {"status 404", "truncate", "stall", "reset"}) {
        SCOPED_TRACE(how);
        Publish(how, kRussianPage, kEnglishPage);
        Serve("Messages.txt", kRussianPage, how);
        Serve("MessagesEng.txt", kEnglishPage, how);
        MakeDue();
        Fetch();
        EXPECT_FALSE(FileExists(settings("Messages.ini")));
        EXPECT_FALSE(FileExists(settings("MessagesEng.ini")));
        EXPECT_EQ(Show().windows, 0);
        EXPECT_FALSE(FileExists(settings("Messages_UAC.html")));
    }
    // Not due again within the interval: no agent runs, no request.
    server_->ClearLog();
    Fetch();
    EXPECT_TRUE(server_->Log().empty());
}

INSTANTIATE_TEST_SUITE_P(BothSettingsModes, MessagesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

// What a fetched page may be: only a readable page with text is taken over and shown.
TEST_P(MessagesTest, OnlyAUsablePageIsTakenOver) {
    struct Case {
        const char* name;
        std::string bytes;
        bool shown;
        const char* text;
    };
    const std::vector<Case> cases{
        {"UTF-8", "<p>Привет</p>\r\n", true, "Привет"},
        {"Windows-1251", "<p>\xcf\xf0\xe8\xe2\xe5\xf2</p>\r\n", true, "Привет"},
        {"LF lines", "<p>one</p>\n<p>two</p>\n\r\n", true, "one\ntwo"},
        {"cut", "<p>one</p>\n<p>tw", false, ""},
        {"empty body", "\r\n", false, ""},
        {"blank", "  \r\n\r\n\r\n", false, ""},
        {"NUL bytes", std::string("<p>\0\0x</p>\r\n", 13), false, ""},
        {"UTF-16 with a mark", Utf16("\xff\xfe", "<p>Привет</p>", true) + "\r\n", true, "Привет"},
        {"UTF-16 big-endian", Utf16("\xfe\xff", "<p>Привет</p>", false) + "\r\n", true, "Привет"},
        {"UTF-16 without a mark", Utf16("", "<p>Привет</p>", true) + "\r\n", false, ""},
        {"UTF-16 cut in a character", Utf16("\xff\xfe", "<p>x</p>", true) + "<\r\n", false, ""},
        {"a body of the limit", ExactPage(kMessagePageLimit) + "\r\n", true, ""},
        {"a body over the limit", ExactPage(kMessagePageLimit + 1) + "\r\n", false, ""},
        {"over the limit", std::string(kMessagePageLimit + 10, 'x') + "\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"Messages.ini", "Messages_UAC.html", "Messages_CheckTrue"})
            platform::RemoveFile(settings(name));
        WriteFile(settings("Messages.ini"), c.bytes);
        const Shown shown = Show();
        EXPECT_EQ(shown.windows, c.shown ? 1 : 0);
        if (c.shown && *c.text) {
            EXPECT_EQ(shown.page.trimmed(), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(FileExists(settings("Messages_UAC.html")), c.shown) << "a bad page is never taken over";
        EXPECT_FALSE(FileExists(settings("Messages.ini")));
    }
    // A folder in the place of a fetched page is no page; a bad page leaves the current one alone.
    WriteFile(settings("Messages_UAC.html"), "<p>current</p>\r\n");
    platform::CreateDirectories(settings("Messages.ini"));
    WriteFile(settings("MessagesEng.ini"), std::string("\0", 1));
    const Shown shown = Show();
    EXPECT_EQ(shown.windows, 1);
    EXPECT_EQ(shown.page, "current");
}

// The page is markup from the network: nothing it names is loaded, a script is not shown, and a
// clicked link goes to the desktop's browser only through the opening rules.
TEST_P(MessagesTest, APageLoadsNothingAndLinksOpenThroughTheRules) {
    WriteFile(settings("Messages.ini"),
              "<html><body><script>alert(1)</script><p>News</p><img src=\"http://127.0.0.1:9/x.gif\">"
              "<img src=\"file:///etc/hostname\"><a href=\"https://example.org/news\">news</a>"
              "<a href=\"file:///bin/sh\">shell</a></body></html>\r\n");
    QTimer watcher;
    bool checked = false;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TUFormUMessage*>(QApplication::activeModalWidget());
        if (!form) return;
        auto* pane = form->findChild<QTextBrowser*>("NTCWebBrowser1");
        QTextDocument* document = pane->document();
        EXPECT_FALSE(document->toPlainText().contains("alert"));
        // Every picture the page names is the document's blank placeholder, never what is there.
        for (const char* name : {"http://127.0.0.1:9/x.gif", "file:///etc/hostname"}) {
            const QImage picture = qvariant_cast<QImage>(document->resource(QTextDocument::ImageResource, QUrl(name)));
            EXPECT_EQ(picture.size(), QSize(1, 1)) << name;
        }
        // Web and mail addresses open; no file does, the program's own least of all.
        const std::string program = app() + "/KV.Kestrune";
        for (const std::string& link :
             {std::string("https://example.org/news"), std::string("file:///bin/sh"), std::string("KV.Kestrune"),
              "file://" + program, program, app() + "/Resource/Pellmark", std::string("Resource/Pellmark"),
              "file://" + settings("Messages_UAC.html"), std::string("mailto:dev@example.org"),
              std::string("https://example.com/a%20b"),
              std::string("mailto:dev@example.org?subject=Hi%20there&attach=/etc/passwd")})
            form->NTCWebBrowser1BeforeNavigate2(QUrl(QString::fromStdString(link)));
        EXPECT_EQ(pane->toPlainText().left(4), "News") << "the pane keeps the message";
        checked = true;
        form->findChild<QPushButton*>("Button2")->click();
    });
    watcher.start(10);
    messages::CheckNewFile(nullptr);
    EXPECT_TRUE(checked);
    EXPECT_EQ(opened,
              (std::vector<std::string>{"https://example.org/news 0", "mailto:dev@example.org 0",
                                        "https://example.com/a%20b 0", "mailto:dev@example.org?subject=Hi%20there 0"}));
}

// No window for an error report, nor for a language other than English or Russian; the fetched
// page is still taken over and shown at a later start.
TEST_P(MessagesTest, NoWindowWhenChecksAreSilentOrTheLanguageIsUnknown) {
    WriteFile(settings("Messages.ini"), kRussianPage + "\r\n");
    SuppressCheckWindows = true;
    EXPECT_EQ(Show().windows, 0);
    SuppressCheckWindows = false;
    CommandLineLanguage.clear();
    EXPECT_EQ(Show().windows, 0);
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html")));
    CommandLineLanguage = "Russian";
    EXPECT_EQ(Show().windows, 1);
    // Only the Russian page exists: an English window has nothing to show and does not open.
    CommandLineLanguage = "English";
    EXPECT_EQ(Show().windows, 0);
}

// Watches, from a thread of its own, whether the program opens a named pipe planted as a picture
// or its standard input (made a pipe nobody writes to). What is opened is let go at once, so that
// the reader sees the end instead of blocking; a window that does not come up within the deadline
// ends the test program with a message rather than hanging it.
class OpenWatchdog {
public:
    explicit OpenWatchdog(std::string fifo) : fifo_(std::move(fifo)) {
        EXPECT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        savedStdin_ = dup(0);
        dup2(ends[0], 0);
        close(ends[0]);
        writeEnd_ = ends[1];
        struct stat st {};
        fstat(0, &st);
        stdinInode_ = st.st_ino;
        thread_ = std::thread([this] { Watch(); });
    }
    ~OpenWatchdog() {
        stop_ = true;
        thread_.join();
        dup2(savedStdin_, 0);
        close(savedStdin_);
        if (const int end = writeEnd_.exchange(-1); end >= 0) close(end);
        unlink(fifo_.c_str());
    }
    // Until Disarm, the window must come up within a minute.
    void Arm(const std::string& what) {
        const std::lock_guard lock(mutex_);
        what_ = what;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    }
    void Disarm() {
        const std::lock_guard lock(mutex_);
        deadline_.reset();
    }
    // What was opened since the last call.
    std::string TakeOpened() {
        const std::lock_guard lock(mutex_);
        return std::exchange(opened_, std::string());
    }

private:
    void Note(const char* what) {
        const std::lock_guard lock(mutex_);
        opened_ += what;
    }
    void Watch() {
        while (!stop_) {
            // Opening the pipe for writing succeeds only while someone holds it open for reading.
            if (const int fd = open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
                Note("the planted pipe ");
                close(fd);
            }
            if (DIR* fds = opendir("/proc/self/fd")) {
                while (const dirent* entry = readdir(fds)) {
                    const int fd = std::atoi(entry->d_name);
                    struct stat st {};
                    if (fd <= 0 || fd == writeEnd_ ||
                        stat(("/proc/self/fd/" + std::string(entry->d_name)).c_str(), &st) != 0)
                        continue;
                    if (S_ISFIFO(st.st_mode) && st.st_ino == stdinInode_) {
                        Note("standard input ");
                        if (const int end = writeEnd_.exchange(-1); end >= 0) close(end);
                    }
                }
                closedir(fds);
            }
            {
                const std::lock_guard lock(mutex_);
                if (deadline_ && std::chrono::steady_clock::now() > *deadline_) {
                    std::fprintf(stderr, "FAILED: the message window did not come up within 60 s: %s\n", what_.c_str());
                    std::fflush(stderr);
                    _exit(1);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::string fifo_;
    int savedStdin_ = -1;
    std::atomic<int> writeEnd_{-1};
    ino_t stdinInode_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string what_, opened_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    std::thread thread_;
};

std::string Repeated(const std::string& piece, std::size_t count) {
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

std::string NestedTables(int depth) {
    return Repeated("<table border=1><tr><td>", depth) + "deep" + Repeated("</td></tr></table>", depth);
}

// Hostile pages through the real window: nothing they name is opened, whatever the path, and the
// window comes up however its markup is written; a page past the writer's bounds shows as its
// plain text, and no page is laid out taller than the bounds allow. A window that does not come up
// fails the test program instead of hanging it.
TEST_P(MessagesTest, HostilePagesOpenNothingAndShowAtOnce) {
    const std::string scratch = home_.root();
    OpenWatchdog watchdog(scratch + "/picture.png");
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(scratch.c_str()), 0) << "relative names are taken from the working folder";
    struct Case {
        const char* name;
        std::string page;
        const char* text;  // the shown text begins with it
        int tables;        // table nesting of the shown document
    };
    const std::string longWord(300000, 'w');
    const std::string combining = Repeated("\u0301", 400000);
    const std::vector<Case> cases{
        // What a page names.
        {"absolute path", "<p>a</p><img src=\"" + scratch + "/picture.png\">", "a", 0},
        {"relative path", "<p>r</p><img src=\"picture.png\"><img src=\"./picture.png\">", "r", 0},
        {"file address", "<p>f</p><img src=\"file://" + scratch + "/picture.png\">", "f", 0},
        {"background",
         "<body background=\"picture.png\"><table background=\"picture.png\"><tr><td>b</td></tr></table>"
         "<p style=\"background-image: url(picture.png)\">c</p></body>",
         "b", 1},
        {"standard input", "<p>s</p><img src=\"/dev/stdin\"><img src=\"/proc/self/fd/0\">", "s", 0},
        {"style sheet",
         "<html><head><link rel=\"stylesheet\" href=\"/dev/stdin\"></head><body>"
         "<style>@import url(picture.png);</style><p>t</p></body></html>",
         "t", 0},
        {"many background addresses", Repeated("<p style=\"background:url(picture.png)\">u</p>", 20000), "u", 0},
        // Tag names and attributes as another reader would read them.
        {"tag names with an entity", Repeated("<t&#97;ble><tr><td>", 30) + "deep", "deep", 0},
        {"quoted tag names", Repeated("<\"table\"><tr><td>", 30) + "q", "\"table\">", 0},
        {"an attribute past its quote", Repeated("<p a=b=\"<table><tr><td>\">x", 30000), "\">x", 0},
        {"blanks before tag names", Repeated("< table>< tr>< td>", 30) + "deep", "table>< tr>", 0},
        // Content that is never shown.
        {"markup in a script", "<script>" + NestedTables(30) + "</script><p>after</p>", "after", 0},
        {"markup in a style", "<style>" + NestedTables(30) + "</style><p>after</p>", "after", 0},
        {"repeated body, html, head, option and colgroup",
         "<p>start</p>" + Repeated("<body><html><head><option><colgroup>", 20000) + "<p>end</p>", "start", 0},
        // Runs without a place to break.
        {"an ampersand every 32 characters", "<p>" + Repeated("&" + std::string(31, 'x'), 30000), "&xx", 0},
        {"nobr", "<nobr>" + longWord + "</nobr>", "www", 0},
        {"no-break spaces", "<p>" + Repeated("x\u00a0", 100000) + "</p>", "x", 0},
        {"one word of 300,000 letters", "<p>" + longWord + "</p>", "www", 0},
        {"an ampersand before 300,000 letters", "<p>&" + longWord + "</p>", "&", 0},
        {"an ampersand and a number sign before 300,000 digits", "<p>&#" + std::string(300000, '7') + "</p><p>n</p>",
         "n", 0},
        {"400,000 combining marks on one letter", "<p>a" + combining + "b</p>", "a\u0301\u0301\u0301\u0301b", 0},
        // Style work.
        {"one rule of 100,000 selectors",
         "<style>" +
             [] {
                 std::string rule;
                 for (int i = 0; i < 100000; ++i) rule += "p.c" + std::to_string(i) + ",";
                 return rule;
             }() +
             "p{color:red}</style>" + Repeated("<p class=c1>s</p>", 4000),
         "s", 0},
        // Pages taller than the layout can take.
        {"line height", Repeated("<p style=\"line-height:100000px\">h</p>", 1000), "h", 0},
        {"font size", Repeated("<p style=\"font-size:100000px\">h</p>", 1000), "h", 0},
        {"picture sizes", "<p>p</p>" + Repeated("<img src=\"picture.png\" width=100000 height=100000>", 1000), "p", 0},
        // Nesting (the parser reads no deeper than 256 elements: what follows is not shown).
        {"3 nested tables", NestedTables(3), "deep", 3},
        {"4 nested tables", NestedTables(4), "deep", 0},
        {"30 nested tables", NestedTables(30), "deep", 0},
        {"300 nested tables", "<p>top</p>" + NestedTables(300), "top", 0},
        {"20,000 nested lists", "<p>top</p>" + Repeated("<ul><li>", 20000) + "list", "top", 0},
        {"100,000 nested elements", "<p>top</p>" + Repeated("<b><i>", 50000) + "bold", "top", 0},
        {"100,000 nested blocks", "<p>top</p>" + Repeated("<div>", 100000) + "div", "top", 0},
        {"250 nested elements", Repeated("<b><i>", 125) + "bold", "bold", 0},
        // Grids.
        {"a cell 2,000 columns wide over 2,000 rows",
         "<table><tr><td colspan=2000>wide</td></tr>" + Repeated("<tr><td>a</td></tr>", 2000) + "</table>", "wide", 0},
        {"a cell 2,000 rows high beside 2,000 columns",
         "<table><tr><td rowspan=2000>high</td>" + Repeated("<td>a</td>", 2000) + "</tr></table>", "high", 0},
        {"tables of 2,000 cells in the cells of one",
         "<table><tr>" +
             Repeated("<td><table>" + Repeated("<tr>" + Repeated("<td>a</td>", 50) + "</tr>", 40) + "</table></td>",
                      5) +
             "</tr></table>",
         "a", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"Messages.ini", "Messages_UAC.html", "Messages_CheckTrue"})
            platform::RemoveFile(settings(name));
        WriteFile(settings("Messages.ini"), c.page + "\r\n");
        watchdog.Arm(c.name);
        const Shown shown = Show();
        watchdog.Disarm();
        EXPECT_EQ(shown.windows, 1);
        EXPECT_TRUE(shown.page.trimmed().startsWith(QString::fromUtf8(c.text)))
            << "shown: " << shown.page.left(40).toStdString();
        EXPECT_EQ(shown.tables, c.tables);
        EXPECT_LT(shown.height, 1'000'000) << "laid out far taller than the writer's bounds";
        EXPECT_EQ(watchdog.TakeOpened(), "") << "opened by the page";
    }
    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);
}

// Pages a developer writes still look as written after the rebuild.
TEST_P(MessagesTest, PagesStillLookAsWritten) {
    struct Case {
        const char* name;
        std::string bytes;
        std::function<void(QTextDocument*)> check;
    };
    auto blocks = [](QTextDocument* document) {
        std::vector<QTextBlock> all;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) all.push_back(block);
        return all;
    };
    auto fragmentOf = [](QTextDocument* document, const QString& text) {
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().text() == text) return it.fragment().charFormat();
        ADD_FAILURE() << "no fragment " << text.toStdString();
        return QTextCharFormat();
    };
    const std::vector<Case> cases{
        {"headings", "<h1>Version 3.0</h1><h2>What is new</h2><p>Faster.</p>",
         [&](QTextDocument* document) {
             const auto all = blocks(document);
             ASSERT_GE(all.size(), 3u);
             EXPECT_EQ(all[0].text(), "Version 3.0");
             EXPECT_EQ(all[0].blockFormat().headingLevel(), 1);
             EXPECT_EQ(all[1].blockFormat().headingLevel(), 2);
             EXPECT_EQ(all[2].text(), "Faster.");
             EXPECT_EQ(all[2].blockFormat().headingLevel(), 0);
         }},
        {"lists", "<ul><li>one</li><li>two</li></ul><ol><li>first<li>second</ol>",
         [&](QTextDocument* document) {
             const auto all = blocks(document);
             ASSERT_EQ(all.size(), 4u);
             ASSERT_NE(all[0].textList(), nullptr);
             EXPECT_EQ(all[0].textList(), all[1].textList());
             EXPECT_EQ(all[0].textList()->format().style(), QTextListFormat::ListDisc);
             ASSERT_NE(all[3].textList(), nullptr);
             EXPECT_EQ(all[3].textList()->format().style(), QTextListFormat::ListDecimal);
             EXPECT_EQ(all[3].textList()->count(), 2);
             EXPECT_EQ(all[3].text(), "second");
         }},
        {"a link", "<p>See <a href=\"https://example.org/news?id=3\">the news</a>.</p>",
         [&](QTextDocument* document) {
             const QTextCharFormat link = fragmentOf(document, "the news");
             EXPECT_TRUE(link.isAnchor());
             EXPECT_EQ(link.anchorHref(), "https://example.org/news?id=3");
             EXPECT_EQ(document->toPlainText(), "See the news.");
         }},
        {"a two-column table",
         "<table border=1><tr><th>Version</th><th>Date</th></tr><tr><td>3.0</td><td>May</td></tr></table>",
         [&](QTextDocument* document) {
             const auto frames = document->rootFrame()->childFrames();
             ASSERT_EQ(frames.size(), 1);
             auto* table = qobject_cast<QTextTable*>(frames[0]);
             ASSERT_NE(table, nullptr);
             EXPECT_EQ(table->rows(), 2);
             EXPECT_EQ(table->columns(), 2);
             EXPECT_EQ(table->cellAt(1, 1).firstCursorPosition().block().text(), "May");
             EXPECT_GT(table->format().border(), 0);
         }},
        {"a coloured and a bold word", "<p>A <font color=\"#c00000\">red</font> and <b>bold</b> word</p>",
         [&](QTextDocument* document) {
             EXPECT_EQ(fragmentOf(document, "red").foreground().color(), QColor(0xc0, 0, 0));
             EXPECT_EQ(fragmentOf(document, "bold").fontWeight(), QFont::Bold);
             EXPECT_EQ(document->toPlainText(), "A red and bold word");
         }},
        {"a Cyrillic paragraph", "<meta charset=\"windows-1251\"><p>Вышла новая версия программы</p>",
         [&](QTextDocument* document) {
             EXPECT_EQ(document->toPlainText(), QString::fromUtf8("Вышла новая версия программы"));
         }},
        {"a page in UTF-16", Utf16("\xff\xfe", "<p>Привет, <i>мир</i></p>", true),
         [&](QTextDocument* document) {
             EXPECT_EQ(document->toPlainText(), QString::fromUtf8("Привет, мир"));
             EXPECT_TRUE(fragmentOf(document, QString::fromUtf8("мир")).fontItalic());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::RemoveFile(settings("Messages_UAC.html"));
        WriteFile(settings("Messages.ini"), c.bytes + "\r\n");
        bool checked = false;
        const Shown shown = Show("Button2", [&](QTextDocument* document) {
            c.check(document);
            checked = true;
        });
        EXPECT_EQ(shown.windows, 1);
        EXPECT_TRUE(checked);
    }
}

// A current page that cannot be shown is deleted: no later start meets it again.
TEST_P(MessagesTest, ACurrentPageThatCannotBeShownIsDropped) {
    for (const std::string& bytes :
         {std::string("\0\0\0", 3), std::string(kMessagePageLimit + 1, 'x'), std::string()}) {
        WriteFile(settings("Messages_UAC.html"), bytes);
        EXPECT_EQ(Show().windows, 0);
        EXPECT_FALSE(FileExists(settings("Messages_UAC.html")));
    }
    // Something in the page's place that is no file goes too.
    mkfifo(settings("Messages_UAC.html").c_str(), 0600);
    EXPECT_EQ(Show().windows, 0);
    EXPECT_FALSE(FileExists(settings("Messages_UAC.html")));
    // A folder in the page's place opens no window at any start: an empty one goes, one that holds
    // anything is left as it stands. A link there goes itself, never what it points to.
    const std::string page = settings("Messages_UAC.html");
    platform::CreateDirectories(page);
    EXPECT_EQ(Show().windows, 0);
    EXPECT_FALSE(FileExists(page));
    WriteFile(page + "/kept.txt", "x");
    EXPECT_EQ(Show().windows, 0);
    EXPECT_EQ(Show().windows, 0);
    EXPECT_EQ(ReadFile(page + "/kept.txt"), "x");
    ASSERT_EQ(std::rename(page.c_str(), settings("elsewhere").c_str()), 0);
    ASSERT_EQ(symlink(settings("elsewhere").c_str(), page.c_str()), 0);
    EXPECT_EQ(Show().windows, 0);
    EXPECT_FALSE(FileExists(page));
    EXPECT_EQ(ReadFile(settings("elsewhere/kept.txt")), "x");
    EXPECT_TRUE(errorCodes.codes.empty());
}

// A page whose showing mark still stands stopped the start that showed it (killed, hung or crashed
// before the window painted): the next start drops it and its mark and opens no window. A page
// fetched since then is new, and shown.
TEST_P(MessagesTest, APageThatStoppedAStartIsDroppedWithoutAWindow) {
    const std::string mark = settings("Messages_UAC_Showing");
    WriteFile(settings("Messages_UAC.html"), kRussianPage + "\r\n");
    WriteFile(settings("MessagesEng_UAC.html"), kEnglishPage + "\r\n");
    WriteFile(mark, "");
    EXPECT_EQ(Show().windows, 0);
    EXPECT_FALSE(FileExists(settings("Messages_UAC.html")));
    EXPECT_FALSE(FileExists(mark));
    EXPECT_TRUE(FileExists(settings("MessagesEng_UAC.html"))) << "the other page did not stop a start";

    WriteFile(settings("Messages_UAC.html"), "<p>old</p>\r\n");
    WriteFile(mark, "");
    WriteFile(settings("Messages.ini"), kRussianPage + "\r\n");
    const Shown shown = Show();
    EXPECT_EQ(shown.windows, 1);
    EXPECT_EQ(shown.page, QString::fromUtf8("Вышла новая версия"));
    EXPECT_TRUE(testsupport::WaitFor(
        "the window gone", [] { return UFormUMessage.isNull(); }, testsupport::TurnEventLoop));
    EXPECT_FALSE(FileExists(mark)) << "the window that showed the page cleared its mark";
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html")));
    EXPECT_TRUE(errorCodes.codes.empty());
}

// The mark stands from before the page is laid out until the pane has painted it; a window that
// goes without painting clears it too, since it did not stop the start either.
TEST_P(MessagesTest, TheShowingMarkStandsUntilThePageHasPainted) {
    const std::string mark = settings("Messages_UAC_Showing");
    WriteFile(settings("Messages_UAC.html"), kRussianPage + "\r\n");
    QPointer<TUFormUMessage> form = new TUFormUMessage();
    EXPECT_TRUE(FileExists(mark)) << "marked before the page is laid out";
    form->show();
    EXPECT_TRUE(testsupport::WaitFor(
        "the mark cleared once the page painted", [&] { return !FileExists(mark); }, testsupport::TurnEventLoop));
    form->close();
    delete form.data();

    auto* unshown = new TUFormUMessage();
    EXPECT_TRUE(FileExists(mark));
    delete unshown;
    EXPECT_FALSE(FileExists(mark));
    EXPECT_TRUE(FileExists(settings("Messages_UAC.html"))) << "a page that was shown stays current";
    EXPECT_TRUE(errorCodes.codes.empty());
}

// The host window comes back to the front once the message window is closed.
TEST_P(MessagesTest, TheHostWindowComesBackToTheFront) {
    QWidget host;
    host.resize(100, 100);
    host.show();
    WriteFile(settings("Messages.ini"), kRussianPage + "\r\n");
    QTimer closer;
    bool seen = false;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TUFormUMessage*>(QApplication::activeModalWidget());
        if (!form || !form->isActiveWindow()) return;
        seen = true;
        form->findChild<QPushButton*>("Button2")->click();
    });
    closer.start(10);
    messages::CheckNewFile(&host);
    closer.stop();
    EXPECT_TRUE(seen) << "the message window was never in front";
    EXPECT_TRUE(testsupport::WaitFor(
        "the host window in front", [&] { return QApplication::activeWindow() == &host; }, testsupport::TurnEventLoop));
}

}  // namespace
