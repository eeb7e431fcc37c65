// Showing a page from outside in the message window's pane: the time from the markup to a painted
// pane (libxml2's parse, the page writer, Qt's layout and the first paint), for a plain small page
// beside the worst pages up to the 1 MiB the agent keeps, within the writer's bounds and far beyond
// them (shown as plain text). Every page paints within about a second of CPU.
//
//   build/bench/checks/kestrune_checks_bench --benchmark_filter=PageShow

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTextBrowser>
#include <functional>

#include "foundation/PageWriter.h"
#include "foundation/SafePageDocument.h"

namespace {

QString Repeated(const QString& piece, qsizetype size) {
    QString text;
    while (text.size() + piece.size() <= size) text += piece;
    return text;
}

QString Times(const QString& piece, int count) { return piece.repeated(count); }

QString Table(int rows, int columns, const QString& cell = "a") {
    return "<table border=1>" + Times("<tr>" + Times("<td>" + cell + "</td>", columns) + "</tr>", rows) + "</table>";
}

QString Nested(const QString& open, const QString& text) { return Repeated(open, (1 << 20) - text.size()) + text; }

constexpr qsizetype kMiB = 1 << 20;

struct Page {
    const char* name;
    std::function<QString()> make;
};

QString SmallPage() {
    return "<h1>Version 3.0</h1><p>What is <b>new</b>: <a href=\"https://example.org\">the news</a>.</p>"
           "<ul><li>faster</li><li>smaller</li></ul>";
}

const Page kPages[] = {
    {"the first page of a run: the parser is loaded", SmallPage},
    {"a plain small page", SmallPage},
    // Within the bounds: the costliest markup the writer still writes.
    {"tables of 8,000 cells", [] { return Times(Table(40, 50), 4); }},
    {"3 nested tables of 8,000 cells", [] { return Table(1, 1, Table(1, 1, Table(40, 49))); }},
    {"20,000 elements", [] { return Times("<p><b>word</b> text</p>", 10000); }},
    {"lists of 2,000 items", [] { return Times("<ul>" + Times("<li>item", 2000) + "</ul>", 4); }},
    // 49 paragraphs of 18,999 letters (blanks count for no line), 594 lines each, in 1,034,733
    // bytes: a page over kMessagePageLimit (1 MiB) never reaches the window.
    {"30,000 lines of text", [] { return Times("<p>" + Times("paragraph ", 2111) + "</p>", 49); }},
    // Hostile markup up to 1 MiB: mostly beyond the bounds, plain text from the tree; the writer
    // writes as markup what it keeps of the repeated body, the combining marks and the style rule.
    {"1 MiB in one word", [] { return "<p>" + QString(kMiB, 'x'); }},
    {"1 MiB of paragraphs", [] { return Repeated("<p>Hello world text</p>", kMiB); }},
    {"an ampersand every 32 characters", [] { return "<p>" + Repeated("&" + QString(31, 'x'), kMiB); }},
    {"quoted tag names", [] { return Repeated("<\"table\"><tr><td>", kMiB); }},
    {"an attribute past its quote", [] { return Repeated("<p a=b=\"<table><tr><td>\">x", kMiB); }},
    {"repeated body, html, head, option and colgroup",
     [] { return Repeated("<body><html><head><option><colgroup>x", kMiB); }},
    {"line height of 100,000 px", [] { return Repeated("<p style=\"line-height:100000px\">a</p>", kMiB); }},
    {"pictures of 100,000 px", [] { return Repeated("<img width=100000 height=100000>", kMiB); }},
    {"400,000 combining marks on a letter", [] { return "<p>a" + QString(400000, QChar(0x301)) + "</p>"; }},
    {"1 MiB of nested tables", [] { return Nested("<table><tr><td>", "deep"); }},
    {"1 MiB of nested lists", [] { return Nested("<ul><li>", "list"); }},
    {"a grid of 1 MiB",
     [] { return "<table>" + Repeated("<tr>" + Repeated("<td>a</td>", 500) + "</tr>", kMiB) + "</table>"; }},
    {"a cell 1,000 columns wide over 20,000 rows",
     [] {
         return "<table><tr><td colspan=1000>w</td></tr>" + Repeated("<tr><td>a</td></tr>", 20000 * 19) + "</table>";
     }},
    {"one rule of 100,000 selectors",
     [] {
         QString page = "<style>";
         for (int i = 0; i < 100000; ++i) page += QString("p.c%1,").arg(i);
         return page + "p{color:red}</style>" + Repeated("<p class=c1>a</p>", kMiB - page.size());
     }},
};

void BM_PageShow(benchmark::State& state) {
    const Page& page = kPages[state.range(0)];
    state.SetLabel(page.name);
    const QString html = page.make();
    for (auto _ : state) {
        QTextBrowser pane;
        pane.resize(654, 384);
        auto* document = new kestrune::SafePageDocument(&pane);
        pane.setDocument(document);
        document->SetPage(html);
        pane.show();
        pane.viewport()->repaint();
        QApplication::processEvents();
    }
    // After the timed run, so that the first page still loads the parser: which side it fell on.
    state.counters["plain_text"] = kestrune::RebuildPage(html).plain ? 1 : 0;
}
BENCHMARK(BM_PageShow)->DenseRange(0, std::size(kPages) - 1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
