#pragma once
// A page from outside the program, read once by libxml2's HTML parser and written anew from its
// tree: Qt only ever reads markup this writer produced, so nothing is left that Qt could read
// otherwise than the bounds did.
//
// What is written is a short allowlist: paragraphs, line breaks, headings, bold, italic,
// underline, lists, links, simple tables, font colours and pictures; every attribute value is
// normalised, nothing else survives (no style sheet, no style attribute, no script). The writer
// bounds what it writes; a page beyond any bound is written as its plain text, from the same tree
// and under the same run limits.

#include <QSize>
#include <QString>
#include <map>

namespace kestrune {

// Elements open inside each other.
constexpr int kMaxPageNesting = 32;
constexpr int kMaxPageListNesting = 6;
// Qt numbers a list's items one by one for each of them: 9,000 items take over a second.
constexpr int kMaxPageListItems = 2'000;
// Every level of table nesting doubles Qt's layout.
constexpr int kMaxPageTableNesting = 3;
constexpr int kMaxPageElements = 20'000;
// A table's grid: its rows (as far as a rowspan reaches) times its widest row in columns, since
// the layout fills every row to that width.
constexpr long long kMaxPageTableCells = 2'000;
constexpr int kMaxPageCellSpan = 1'000;
// The cells of all tables, each grid counted twice for every table it stands in (a table's layout
// lays out what it holds once more for each level): 8,000 take about half a second.
constexpr long long kMaxPageTableWork = 8'000;
// A line without a place to break costs with the square of its length: the writer puts a
// zero-width space into every run this long.
constexpr int kLongestPageRun = 200;
// Combining marks (and other characters that join the one before) kept on one character.
constexpr int kMaxPageMarks = 4;
// The page's height in lines (a picture counts its height in lines of 16 pixels); Qt's layout
// never ends on a document taller than about 2^23 pixels.
constexpr long long kMaxPageLines = 30'000;
constexpr int kMaxPagePictureSide = 2'000;

// The name every picture that is not one of the page's own parts is written with.
constexpr const char* kPagePlaceholderName = "about:blank";

struct RebuiltPage {
    QString text;        // markup of the writer, or plain text
    bool plain = false;  // text is plain text
};

// The page written anew. pictures names the page's own pictures (by address, with their sizes);
// every other picture becomes kPagePlaceholderName. Without the parser (libxml2 could not be
// loaded) the markup itself is shown as plain text, under the run limits.
RebuiltPage RebuildPage(const QString& html, const std::map<QString, QSize>& pictures = {});

}  // namespace kestrune
