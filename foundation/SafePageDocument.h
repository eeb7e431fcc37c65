#pragma once
// A document for pages that come from outside the program (a stored page, a downloaded message):
// it shows their markup but opens nothing the markup names, no local file and no network address.
// Every resource a page names is answered by the document itself: a picture from the parts handed
// to it (by its exact address), any other picture as a blank placeholder, a style sheet as an
// empty one.
//
// The cost of showing a page is bounded before Qt sees it: markup that would take long to parse
// or lay out (tables nested deeper than kMaxPageTableNesting, more than kMaxPageTableCells cells,
// elements nested deeper than kMaxPageElementNesting, more style work than kMaxPageStyleWork) is
// shown as its plain text, and runs of more than kLongestPageRun characters without a place to
// break a line get one (a zero-width space).

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <map>

namespace kestrune {

// Measured with Qt 6 offscreen: every level of table nesting doubles the layout (12 levels 0.16 s,
// 16 levels 2.2 s); 4,000 cells at 6 levels take 0.45 s, at 8 levels 1.3 s.
constexpr int kMaxPageTableNesting = 6;
// The cells of a table's grid: its rows (as far as a rowspan reaches) times its widest row in
// columns, since the layout fills every row to that width.
constexpr long long kMaxPageTableCells = 4000;
// The parser's cost grows with the square of the nesting (20,000 nested lists: 140 s).
constexpr int kMaxPageElementNesting = 200;
// Style rules times elements (4,000 rules over 4,000 paragraphs: 0.45 s).
constexpr long long kMaxPageStyleWork = 16'000'000;
// A line without a break costs with the square of its length (1 MiB in one word: 35 s).
constexpr int kLongestPageRun = 1000;

class SafePageDocument : public QTextDocument {
    Q_OBJECT
public:
    explicit SafePageDocument(QObject* parent = nullptr) : QTextDocument(parent) {}
    // The page and the pictures it may show, by address ("file:///logo.gif").
    void SetPage(const QString& html, std::map<QString, QByteArray> pictures = {});

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::map<QString, QByteArray> pictures_;
};

}  // namespace kestrune
