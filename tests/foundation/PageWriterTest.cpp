// The page writer: what of a page survives the rebuild, how every value is normalised, and that a
// page past any of the writer's bounds is written as its plain text; the parser loaded on demand.
#include <gtest/gtest.h>

#include <QString>
#include <functional>

#include "foundation/PageParser.h"
#include "foundation/PageWriter.h"

using namespace kestrune;

void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace {

QString Repeated(const QString& piece, int count) { return piece.repeated(count); }

QString Table(int rows, int columns, const QString& cell = "a") {
    return "<table>" + Repeated("<tr>" + Repeated("<td>" + cell + "</td>", columns) + "</tr>", rows) + "</table>";
}

QString NestedTables(int depth) {
    return Repeated("<table><tr><td>", depth) + "deep" + Repeated("</td></tr></table>", depth);
}

// Only the allowlist is written, with normalised values; whatever else the page holds goes, its
// text kept where a page shows it.
TEST(PageWriter, WritesTheAllowlistWithNormalisedValues) {
    struct Case {
        const char* name;
        QString page;
        QString markup;
    };
    const std::vector<Case> cases{
        {"paragraphs and headings", "<H1 class=x>Title</H1><p align=center>One<br/>two",
         "<h1>Title</h1><p>One<br>two</p>"},
        {"emphasis", "<strong>b</strong><em>i</em><u>u</u>", "<b>b</b><i>i</i><u>u</u>"},
        {"lists", "<ol><li>one<li>two</ol><ul><li>x</li></ul>", "<ol><li>one</li><li>two</li></ol><ul><li>x</li></ul>"},
        {"a link, encoded", "<a href=\" https://e.org/a b?q=&quot;x&quot; \" target=_blank>q</a>",
         "<a href=\"https://e.org/a%20b?q=%22x%22\">q</a>"},
        {"a link without an address, and one in a link", "<a name=top>n</a><a href=a><a href=b>in</a></a>",
         "n<a href=\"a\"></a><a href=\"b\">in</a>"},
        {"colours", "<font color=red>r</font><font color=#abc face=x>g</font><font size=7>s</font>",
         "<font color=\"#ff0000\">r</font><font color=\"#aabbcc\">g</font>s"},
        {"a colour that is no colour", "<font color=\"red;background:url(x)\">c</font><font color=transparent>t</font>",
         "ct"},
        {"tables",
         "<table border=3 style=\"height:9999px\"><tr><th colspan=2>h</th></tr><tr><td rowspan=0>a</td></tr></table>",
         "<table border=\"1\" cellspacing=\"0\"><tr><th colspan=\"2\">h</th></tr><tr><td>a</td></tr></table>"},
        {"spans clamped", "<table><tr><td colspan=99999>c</td></tr></table>",
         "<table><tr><td colspan=\"1000\">c</td></tr></table>"},
        {"stray table parts", "<td>cell</td><tr><td>row</td></tr><li>item</li>", "cell<br>row<br>item<br>"},
        {"cells without a row", "<table><td>a</td><td>b</td><tr><td>c</td></tr><th>d</table>",
         "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr><tr><th>d</th></tr></table>"},
        {"content between rows", "<table>text<tr>x<td>c</td></tr></table>", "<table><tr><td>c</td></tr></table>"},
        {"pictures become placeholders of clamped size",
         "<img src=\"file:///etc/passwd\" width=100000 height=7><img src=x width=50%><img src=y height=40>",
         "<img src=\"about:blank\" width=\"2000\" height=\"7\"><img src=\"about:blank\" width=\"1\" height=\"1\">"
         "<img src=\"about:blank\" width=\"40\" height=\"40\">"},
        {"no style, script or form",
         "<style>p{}</style><script>x()</script><p style=\"font-size:99px\">s</p>"
         "<select><option>o</select><textarea>t</textarea>",
         "<p>s</p>"},
        {"blocks end lines", "a<div>b</div><blockquote>c</blockquote>d", "<p>a</p>b<br>c<br>d"},
        {"text escaped and blanks collapsed", "<b>&lt;script&gt;</b> \n\t &amp;", "<b>&lt;script&gt;</b> &amp;"},
        {"tag names as a browser reads them", "<t&#97;ble><tr><td>x</td></tr>< table>", "x<br>&lt; table&gt;"},
        {"an attribute that ends where Qt's reader did not", "<p a=b=\"<table>\">x</p>", "<p>\"&gt;x</p>"},
        {"marks on one letter", "a" + QString(10, QChar(0x301)) + "b", "<p>a" + QString(4, QChar(0x301)) + "b</p>"},
        {"a long run broken", QString(450, 'x'),
         "<p>" + QString(200, 'x') + QChar(0x200B) + QString(200, 'x') + QChar(0x200B) + QString(50, 'x') + "</p>"},
        {"a run goes on through inline elements", QString(150, 'x') + "<b>" + QString(100, 'y') + "</b>",
         "<p>" + QString(150, 'x') + "<b>" + QString(50, 'y') + QChar(0x200B) + QString(50, 'y') + "</b></p>"},
        {"control characters go", QString("a") + QChar(0x7) + QChar(0xFFFC) + "b", "<p>ab</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RebuiltPage page = RebuildPage(c.page);
        EXPECT_FALSE(page.plain);
        EXPECT_EQ(page.text.trimmed(), c.markup);
    }
}

// The page's own pictures keep their address and their size (clamped, in proportion when only one
// side is given).
TEST(PageWriter, OwnPicturesKeepTheirSize) {
    const std::map<QString, QSize> own{{"file:///logo.gif", QSize(245, 72)},
                                       {"file:///tall.gif", QSize(10, 90000)},
                                       {"file:///a%1b.gif", QSize(20, 30)}};
    EXPECT_EQ(RebuildPage("<img src=\"file:///logo.gif\" style=\"position:absolute\">", own).text,
              "<img src=\"file:///logo.gif\" width=\"245\" height=\"72\">");
    EXPECT_EQ(RebuildPage("<img src=\"file:///logo.gif\" width=490>", own).text,
              "<img src=\"file:///logo.gif\" width=\"490\" height=\"144\">");
    EXPECT_EQ(RebuildPage("<img src=\"file:///tall.gif\">", own).text,
              "<img src=\"file:///tall.gif\" width=\"10\" height=\"2000\">");
    EXPECT_EQ(RebuildPage("<img src=\"file:///a%1b.gif\">", own).text,
              "<img src=\"file:///a%1b.gif\" width=\"20\" height=\"30\">");
}

// Every bound: a page just within it is written as markup, one just past it as its plain text.
TEST(PageWriter, APagePastABoundIsItsPlainText) {
    struct Case {
        const char* name;
        QString within;
        QString beyond;
    };
    const std::vector<Case> cases{
        {"nesting", Repeated("<b>", 32) + "x", Repeated("<b>", 33) + "x"},
        {"lists", Repeated("<ul><li>", 6) + "x", Repeated("<ul><li>", 7) + "x"},
        {"list items", "<ul>" + Repeated("<li>i", 2000) + "</ul>", "<ul>" + Repeated("<li>i", 2001) + "</ul>"},
        {"tables", NestedTables(3), NestedTables(4)},
        {"elements", Repeated("<b>x</b>", 20000), Repeated("<b>x</b>", 20001)},
        {"a table's grid", "<table><tr><td colspan=1000>w</td></tr><tr><td>a</td></tr></table>",
         "<table><tr><td colspan=1000>w</td></tr><tr><td>a</td></tr><tr><td>b</td></tr></table>"},
        {"a table's grid by its rowspan", "<table><tr><td rowspan=600>h</td><td>a</td><td>b</td></tr></table>",
         "<table><tr><td rowspan=700>h</td><td>a</td><td>b</td></tr></table>"},
        {"the cells of all tables", Table(40, 50) + Table(40, 50) + Table(40, 50) + Table(40, 50),
         Table(40, 50) + Table(40, 50) + Table(40, 50) + Table(40, 50) + Table(1, 1)},
        {"nested tables' cells", Table(1, 1, Table(1, 1, Table(40, 49))), Table(1, 1, Table(1, 1, Table(40, 50)))},
        {"lines of text", Repeated("<p>" + Repeated("x ", 19000) + "</p>", 49),
         Repeated("<p>" + Repeated("x ", 19000) + "</p>", 52)},
        {"lines in cells", Table(1, 1, Repeated("x ", 19000)) + Table(1, 1, Repeated("x ", 10000)),
         Table(1, 1, Repeated("x ", 19000)) + Table(1, 1, Repeated("x ", 12000))},
        {"lines of pictures", Repeated("<img height=2000>", 200), Repeated("<img height=2000>", 300)},
        {"a paragraph's length", "<p>" + Repeated("word ", 5000), "<p>" + Repeated("word ", 5000) + "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(RebuildPage(c.within).plain);
        EXPECT_TRUE(RebuildPage(c.beyond).plain);
    }
}

// The plain text comes from the same tree: its words, blocks on lines of their own, no hidden
// content, under the same run limits, and no more than the most lines a page may have.
TEST(PageWriter, PlainTextIsTheTreesWordsUnderTheSameLimits) {
    const RebuiltPage deep = RebuildPage("<script>x</script><p>one <b>two</b></p>" + NestedTables(4) + "<p>a" +
                                         QString(9, QChar(0x301)) + QString(250, 'w'));
    ASSERT_TRUE(deep.plain);
    EXPECT_EQ(deep.text,
              "one two\ndeep\na" + QString(4, QChar(0x301)) + QString(199, 'w') + QChar(0x200B) + QString(51, 'w'));
    const RebuiltPage lines = RebuildPage(Repeated("<p>line</p>", 40000));
    ASSERT_TRUE(lines.plain);
    EXPECT_EQ(lines.text.count(u'\n'), kMaxPageLines - 1);
    // A paragraph as long as the page is given line ends in plain text.
    const RebuiltPage word = RebuildPage("<p>" + QString(1 << 20, 'x'));
    ASSERT_TRUE(word.plain);
    EXPECT_GE(word.text.count(u'\n'), (1 << 20) / 20'000 - 1);
    // A paragraph of words gets its line end at the blank after its 20,000th character.
    const RebuiltPage words = RebuildPage("<p>" + Repeated("word ", 5000) + "x");
    ASSERT_TRUE(words.plain);
    EXPECT_EQ(words.text, Repeated("word ", 4999) + "word\nx");
}

// The page's own encoding is its text's: a charset it names changes nothing.
TEST(PageWriter, TheTextIsReadAsGiven) {
    EXPECT_EQ(RebuildPage(QString::fromUtf8("<meta charset=windows-1251><p>Привет</p>")).text,
              QString::fromUtf8("<p>Привет</p>"));
}

// Without the parser the markup itself is shown as plain text under the run limits; the parser is
// loaded again at the next page once it is there.
TEST(PageWriter, WithoutTheParserTheMarkupIsShownAsText) {
    SetPageParserLibraryForTesting("libkestrune-no-such-library.so.0");
    const PageParser missing = LoadPageParser();
    EXPECT_EQ(missing.functions, nullptr);
    EXPECT_FALSE(missing.problem.empty());
    const RebuiltPage page = RebuildPage("<p>x</p>\n<b>" + QString(201, 'y'));
    SetPageParserLibraryForTesting("");
    EXPECT_TRUE(page.plain);
    EXPECT_EQ(page.text, "<p>x</p>\n<b>" + QString(197, 'y') + QChar(0x200B) + QString(4, 'y'));
    EXPECT_NE(LoadPageParser().functions, nullptr);
    EXPECT_FALSE(RebuildPage("<p>x</p>").plain);
}

}  // namespace
