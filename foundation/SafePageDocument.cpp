#include "foundation/SafePageDocument.h"

#include <QImage>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace kestrune {
namespace {

constexpr QChar kZeroWidthSpace(0x200B);

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiLetterOrDigit(QChar c) { return IsAsciiLetter(c) || (c >= u'0' && c <= u'9'); }

bool OneOf(QStringView name, std::initializer_list<const char16_t*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char16_t* n) { return name == QStringView(n); });
}

// Elements that hold no content, and elements whose end the parser supplies itself: neither
// deepens the nesting.
bool NeverNests(QStringView name) {
    return OneOf(name, {u"area",     u"base",   u"br",      u"col",    u"embed", u"hr",    u"img",   u"input",
                        u"link",     u"meta",   u"param",   u"source", u"track", u"wbr",   u"p",     u"li",
                        u"dt",       u"dd",     u"tr",      u"td",     u"th",    u"thead", u"tbody", u"tfoot",
                        u"colgroup", u"option", u"caption", u"html",   u"head",  u"body"});
}
bool IsRawText(QStringView name) { return OneOf(name, {u"script", u"style"}); }
bool EndsLine(QStringView name) {
    return OneOf(name, {u"br", u"p",     u"div", u"tr",         u"li",  u"h1", u"h2", u"h3", u"h4", u"h5",
                        u"h6", u"table", u"hr",  u"blockquote", u"pre", u"ul", u"ol", u"dt", u"dd", u"title"});
}

struct Tag {
    QString name;  // lower case
    bool closing = false;
    bool selfClosing = false;
    QStringView attributes;
};

// One pass over markup: text between tags goes to onText, tags to onTag, the content of a script
// or style element to onRaw; comments and declarations are skipped. False when the markup ends
// inside a quoted attribute value (the parser would read it otherwise than this walk).
template <class OnText, class OnTag, class OnRaw>
bool WalkMarkup(QStringView html, OnText onText, OnTag onTag, OnRaw onRaw) {
    const qsizetype n = html.size();
    qsizetype i = 0;
    qsizetype textStart = 0;
    auto flush = [&](qsizetype end) {
        if (end > textStart) onText(html.sliced(textStart, end - textStart));
    };
    while (i < n) {
        if (html[i] != u'<' || i + 1 >= n) {
            ++i;
            continue;
        }
        const QChar next = html[i + 1];
        if (next == u'!' || next == u'?') {
            flush(i);
            const bool comment = html.sliced(i).startsWith(u"<!--");
            const qsizetype end = comment ? html.indexOf(u"-->", i + 4) : html.indexOf(u'>', i + 2);
            i = end < 0 ? n : end + (comment ? 3 : 1);
            textStart = i;
            continue;
        }
        // The parser takes blanks before the name, and after the slash of an end tag.
        Tag tag;
        qsizetype nameStart = i + 1;
        while (nameStart < n && html[nameStart].isSpace()) ++nameStart;
        tag.closing = nameStart < n && html[nameStart] == u'/';
        if (tag.closing) ++nameStart;
        while (nameStart < n && html[nameStart].isSpace()) ++nameStart;
        if (nameStart >= n || !IsAsciiLetter(html[nameStart])) {
            ++i;
            continue;
        }
        flush(i);
        qsizetype j = nameStart;
        while (j < n && IsAsciiLetterOrDigit(html[j])) ++j;
        tag.name = html.sliced(nameStart, j - nameStart).toString().toLower();
        // The attributes run to the first '>' outside a quoted value; a quote opens a value only
        // right after its '='.
        qsizetype k = j;
        QChar quote;
        QChar last;
        while (k < n) {
            const QChar c = html[k];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
            } else if ((c == u'"' || c == u'\'') && last == u'=') {
                quote = c;
            } else if (c == u'>') {
                break;
            }
            if (!c.isSpace()) last = c;
            ++k;
        }
        if (!quote.isNull()) return false;
        tag.attributes = html.sliced(j, k - j);
        tag.selfClosing = tag.attributes.endsWith(u'/');
        onTag(tag);
        i = k < n ? k + 1 : n;
        textStart = i;
        if (!tag.closing && !tag.selfClosing && IsRawText(tag.name)) {
            const qsizetype end = html.indexOf(QStringLiteral("</") + tag.name, i, Qt::CaseInsensitive);
            const qsizetype stop = end < 0 ? n : end;
            onRaw(tag.name, html.sliced(i, stop - i));
            textStart = i = stop;
        }
    }
    flush(n);
    return true;
}

// The number of columns or rows a td or th spans (its colspan or rowspan), at least 1.
long long Span(QStringView attributes, QStringView which) {
    const qsizetype at = attributes.indexOf(which, 0, Qt::CaseInsensitive);
    if (at < 0) return 1;
    qsizetype i = at + which.size();
    while (i < attributes.size() &&
           (attributes[i].isSpace() || attributes[i] == u'=' || attributes[i] == u'"' || attributes[i] == u'\''))
        ++i;
    long long span = 0;
    while (i < attributes.size() && attributes[i] >= u'0' && attributes[i] <= u'9' && span < kMaxPageTableCells * 10)
        span = span * 10 + (attributes[i++].unicode() - u'0');
    return std::max(1LL, span);
}

// The grid a table is laid out in: as many rows as its longest reach (a rowspan included), each as
// wide as its widest row, since the layout fills short rows with empty cells.
struct TableGrid {
    long long rows = 0;
    long long tallest = 0;
    long long rowWidth = 0;
    long long widest = 0;
    long long Cells() const { return std::max(rows, tallest) * widest; }
    void Row() {
        ++rows;
        rowWidth = 0;
    }
    void Cell(QStringView attributes) {
        if (rows == 0) Row();
        rowWidth += Span(attributes, u"colspan");
        widest = std::max(widest, rowWidth);
        tallest = std::max(tallest, rows - 1 + Span(attributes, u"rowspan"));
    }
};

bool BreaksLine(QChar c) {
    // Not every blank: a line never breaks at a no-break space.
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == kZeroWidthSpace;
}

constexpr int kLongestEntity = 32;

// Copies text and gives every run of more than kLongestPageRun characters without a blank a
// place to break; run carries the length of the open run across calls, entity the length of an
// open entity ("&amp;"), inside which no break goes. Past the longest entity name an "&" is only
// text, whatever letters follow it.
void AppendBreakingRuns(QStringView text, int& run, int& entity, QString& out) {
    for (const QChar c : text) {
        if (BreaksLine(c)) {
            run = 0;
            entity = 0;
        } else if (run >= kLongestPageRun && entity == 0) {
            out += kZeroWidthSpace;
            run = 0;
        }
        if (c == u'&') entity = 1;
        else if (c == u';' || !(IsAsciiLetterOrDigit(c) || c == u'#') || entity > kLongestEntity) entity = 0;
        else if (entity > 0) ++entity;
        out += c;
        if (!BreaksLine(c)) ++run;
    }
}

// The markup with its long runs broken, or a null string when it is beyond the bounds.
QString BoundedMarkup(QStringView html) {
    QString out;
    out.reserve(html.size() + html.size() / kLongestPageRun + 1);
    bool fits = true;
    int run = 0;
    int entity = 0;
    std::vector<QString> open;
    std::vector<TableGrid> grids;  // the open tables
    long long closedCells = 0;     // the cells of the tables already closed
    long long elements = 0;
    long long styleRules = 0;
    qsizetype copied = 0;  // html before this index is in out
    auto copyTo = [&](QStringView piece) {
        const qsizetype end = piece.data() - html.data() + piece.size();
        out += html.sliced(copied, end - copied);
        copied = end;
    };
    const bool walked = WalkMarkup(
        html,
        [&](QStringView text) {
            // The text stands right after what was copied: tags and raw content before it are.
            const qsizetype start = text.data() - html.data();
            out += html.sliced(copied, start - copied);
            AppendBreakingRuns(text, run, entity, out);
            copied = start + text.size();
        },
        [&](const Tag& tag) {
            if (!fits) return;
            if (tag.closing) {
                const auto found = std::find(open.rbegin(), open.rend(), tag.name);
                if (found == open.rend()) return;
                for (auto it = open.rbegin(); it != found + 1; ++it) {
                    if (*it != u"table" || grids.empty()) continue;
                    closedCells += grids.back().Cells();
                    grids.pop_back();
                }
                open.erase(found.base() - 1, open.end());
                return;
            }
            ++elements;
            if (!grids.empty() && tag.name == u"tr") grids.back().Row();
            if (tag.name == u"td" || tag.name == u"th") {
                if (grids.empty()) closedCells += Span(tag.attributes, u"colspan");
                else grids.back().Cell(tag.attributes);
            }
            if (!tag.selfClosing && !NeverNests(tag.name)) {
                open.push_back(tag.name);
                if (tag.name == u"table") grids.emplace_back();
            }
            long long cells = closedCells;
            for (const TableGrid& grid : grids) cells += grid.Cells();
            if (static_cast<int>(grids.size()) > kMaxPageTableNesting || cells > kMaxPageTableCells ||
                static_cast<int>(open.size()) > kMaxPageElementNesting)
                fits = false;
        },
        [&](const QString& name, QStringView content) {
            if (name == u"style") styleRules += content.count(u'{');
        });
    if (!walked || !fits || styleRules * elements > kMaxPageStyleWork) return {};
    copyTo(html.sliced(html.size()));
    return out;
}

QString DecodedEntity(QStringView entity) {
    static const std::pair<const char16_t*, char16_t> named[] = {{u"lt", u'<'},   {u"gt", u'>'},    {u"amp", u'&'},
                                                                 {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u' '}};
    for (const auto& [name, c] : named)
        if (entity == QStringView(name)) return QString(QChar(c));
    if (entity.startsWith(u'#')) {
        bool ok = false;
        const uint code = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X')
                              ? entity.sliced(2).toUInt(&ok, 16)
                              : entity.sliced(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
    }
    return {};
}

// The words of markup without its tags: blanks collapse as in a page, the elements that end a
// line end one, the common entities are decoded, script and style are left out.
QString PlainTextOf(QStringView html) {
    QString text;
    bool blank = true;  // the text so far ends in a blank or a line end
    auto appendLineEnd = [&] {
        if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
        blank = true;
    };
    WalkMarkup(
        html,
        [&](QStringView piece) {
            for (qsizetype i = 0; i < piece.size(); ++i) {
                QChar c = piece[i];
                if (c == u'&') {
                    const qsizetype semicolon = piece.indexOf(u';', i + 1);
                    if (semicolon > i + 1 && semicolon - i <= 10) {
                        const QString decoded = DecodedEntity(piece.sliced(i + 1, semicolon - i - 1));
                        if (!decoded.isEmpty()) {
                            text += decoded;
                            blank = decoded == u" ";
                            i = semicolon;
                            continue;
                        }
                    }
                }
                if (c.isSpace()) {
                    if (!blank) text += u' ';
                    blank = true;
                    continue;
                }
                text += c;
                blank = false;
            }
        },
        [&](const Tag& tag) {
            if (EndsLine(tag.name)) appendLineEnd();
            else if ((tag.name == u"td" || tag.name == u"th") && !tag.closing && !blank) {
                text += u' ';
                blank = true;
            }
        },
        [](const QString&, QStringView) {});
    QString broken;
    int run = 0;
    int entity = 0;
    AppendBreakingRuns(text, run, entity, broken);
    return broken;
}

// The picture for every address the page names that is not one of its parts: a blank pixel.
const QImage& Placeholder() {
    static const QImage blank = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return image;
    }();
    return blank;
}

}  // namespace

void SafePageDocument::SetPage(const QString& html, std::map<QString, QByteArray> pictures) {
    pictures_ = std::move(pictures);
    const QString bounded = BoundedMarkup(html);
    if (bounded.isNull()) setPlainText(PlainTextOf(html));
    else setHtml(bounded);
}

QVariant SafePageDocument::loadResource(int type, const QUrl& name) {
    // Never the base class, and never an answer Qt could take for a refusal: it would then read
    // the file the markup names itself, and a pipe or a device in its place would block.
    if (type == QTextDocument::StyleSheetResource) return QString();
    if (type != QTextDocument::ImageResource) return QByteArray();
    const auto found = pictures_.find(name.toString());
    QImage image;
    if (found == pictures_.end() || !image.loadFromData(found->second)) return Placeholder();
    return image;
}

}  // namespace kestrune
