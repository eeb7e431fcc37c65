// Showing a page from outside in the message window's pane: the time from the markup to a painted
// pane, for pages at the bounds of SafePageDocument and far beyond them (shown as plain text).
//
//   build/bench/checks/kestrune_checks_bench --benchmark_filter=PageShow

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTextBrowser>
#include <functional>

#include "foundation/SafePageDocument.h"

namespace {

QString Repeated(const QString& piece, qsizetype size) {
    QString text;
    while (text.size() + piece.size() <= size) text += piece;
    return text;
}

QString NestedTables(int depth, int copies) {
    QString one;
    for (int i = 0; i < depth; ++i) one += "<table border=1><tr><td>a</td><td>";
    one += "x";
    for (int i = 0; i < depth; ++i) one += "</td></tr></table>";
    return Repeated(one, one.size() * copies);
}

struct Page {
    const char* name;
    std::function<QString()> make;
};

const Page kPages[] = {
    {"6 nested tables, 4,000 cells", [] { return NestedTables(6, 333); }},
    {"30 nested tables", [] { return NestedTables(30, 1); }},
    {"300 nested tables", [] { return NestedTables(300, 1); }},
    {"flat table of 1 MiB", [] { return "<table>" + Repeated("<tr><td>a</td><td>b</td></tr>", 1 << 20) + "</table>"; }},
    {"1 MiB of paragraphs", [] { return Repeated("<p>Hello world text</p>", 1 << 20); }},
    {"1 MiB in one word", [] { return "<p>" + QString(1 << 20, 'x') + "</p>"; }},
    {"1 MiB in one word after an ampersand", [] { return "<p>&" + QString(1 << 20, 'x') + "</p>"; }},
    {"a cell 2,000 columns wide over 2,000 rows",
     [] {
         return "<table><tr><td colspan=2000>w</td></tr>" + Repeated("<tr><td>a</td></tr>", 19 * 2000) + "</table>";
     }},
    {"a cell 2,000 rows high beside 2,000 columns",
     [] { return "<table><tr><td rowspan=2000>h</td>" + Repeated("<td>a</td>", 10 * 2000) + "</tr></table>"; }},
    {"20,000 nested lists", [] { return Repeated("<ul><li>", 8 * 20000); }},
    {"4,000 style rules over 4,000 paragraphs",
     [] {
         QString page = "<style>";
         for (int i = 0; i < 4000; ++i) page += QString("p.c%1{color:red}").arg(i);
         return page + "</style>" + Repeated("<p class=c1>a</p>", 17 * 4000);
     }},
    {"16,000 style rules over 16,000 paragraphs",
     [] {
         QString page = "<style>";
         for (int i = 0; i < 16000; ++i) page += QString("p.c%1{color:red}").arg(i);
         return page + "</style>" + Repeated("<p class=c1>a</p>", 17 * 16000);
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
}
BENCHMARK(BM_PageShow)->DenseRange(0, std::size(kPages) - 1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
