#include "foundation/PageWriter.h"

#include <QColor>
#include <QScopeGuard>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "foundation/PageParser.h"

namespace kestrune {
namespace {

constexpr char32_t kZeroWidthSpace = 0x200B;
// The lines a character of text costs at most: outside a table a line holds at least this many
// (the widest heading character on the narrowest list indent); a cell may be one character wide.
constexpr long long kCharactersPerLine = 32;
constexpr int kPicturePixelsPerLine = 16;
// Qt lays out a paragraph as a whole: one of a million characters takes three times as long as a
// thousand paragraphs of a thousand. The writer's paragraphs hold no more than this; plain text
// goes on on a new line.
constexpr long long kLongestParagraph = 20'000;

bool IsBlank(char32_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0x0B || c == 0x2028 || c == 0x2029;
}

// Characters that join the one before them, as combining marks do.
bool Joins(char32_t c) {
    switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format: return true;
        default: return false;
    }
}

// The text of both writers: blanks collapse as in a page, every run of kLongestPageRun characters
// without a blank gets a zero-width space, no character keeps more than kMaxPageMarks marks,
// control characters go. Counts the characters of the open line.
class TextRun {
public:
    // Markup escapes what it writes; plain text starts a new line in a long paragraph instead of
    // writing a zero-width space.
    TextRun(QString& out, bool markup) : out_(out), markup_(markup) {}

    void Append(QStringView text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                ++i;
            } else if (QChar::isSurrogate(c)) {
                continue;
            }
            Append(c);
        }
    }
    void Blank() {
        if (!EndLongParagraph() && !blank_) out_ += u' ';
        blank_ = true;
        run_ = 0;
    }
    // What follows starts a new line: its leading blanks go.
    void StartLine() {
        blank_ = true;
        run_ = 0;
        characters_ = 0;
    }
    long long Characters() const { return characters_; }

private:
    // Plain text ends a paragraph that has grown to kLongestParagraph with a new line; true when
    // it did.
    bool EndLongParagraph() {
        if (markup_ || characters_ < kLongestParagraph) return false;
        out_ += u'\n';
        characters_ = 0;
        return true;
    }
    void Append(char32_t c) {
        if (c == kZeroWidthSpace) {
            out_ += QChar(c);
            run_ = 0;
            return;
        }
        if (IsBlank(c)) return Blank();
        if (QChar::category(c) == QChar::Other_Control || c == 0xFFFC || c == 0xFFFE || c == 0xFFFF) return;
        if (Joins(c)) {
            if (marks_ >= kMaxPageMarks) return;
            ++marks_;
        } else {
            marks_ = 0;
            if (run_ >= kLongestPageRun) {
                if (!EndLongParagraph()) out_ += QChar(kZeroWidthSpace);
                run_ = 0;
            }
            ++run_;
            ++characters_;
        }
        blank_ = false;
        if (markup_ && c == u'&') out_ += u"&amp;";
        else if (markup_ && c == u'<') out_ += u"&lt;";
        else if (markup_ && c == u'>') out_ += u"&gt;";
        else if (QChar::requiresSurrogates(c)) {
            out_ += QChar(QChar::highSurrogate(c));
            out_ += QChar(QChar::lowSurrogate(c));
        } else {
            out_ += QChar(c);
        }
    }

    QString& out_;
    const bool markup_;
    int run_ = 0;
    int marks_ = 0;
    bool blank_ = true;
    long long characters_ = 0;  // of the open line
};

QByteArray NameOf(const xmlNode* node) {
    return node->name ? QByteArray(reinterpret_cast<const char*>(node->name)).toLower() : QByteArray();
}

bool OneOf(const QByteArray& name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// Elements whose content is never shown: scripts, styles, the head, embedded objects, forms'
// choices, foreign content.
bool IsHidden(const QByteArray& name) {
    return OneOf(
        name, {"script", "style",    "head",     "title",  "template", "noscript", "object",   "embed",    "iframe",
               "frame",  "frameset", "noframes", "applet", "select",   "option",   "optgroup", "datalist", "textarea",
               "svg",    "math",     "canvas",   "audio",  "video",    "map",      "area",     "input",    "meta",
               "link",   "base",     "colgroup", "col",    "param",    "source",   "track",    "noembed",  "xml"});
}

// Elements of a page that stand on lines of their own; their content is kept.
bool IsBlock(const QByteArray& name) {
    return OneOf(name,
                 {"div",    "blockquote", "pre",     "center", "section", "article", "header",  "footer",   "nav",
                  "main",   "aside",      "address", "dl",     "dt",      "dd",      "form",    "fieldset", "legend",
                  "figure", "figcaption", "caption", "hr",     "details", "summary", "listing", "xmp",      "plaintext",
                  "menu",   "dir",        "p",       "h1",     "h2",      "h3",      "h4",      "h5",       "h6",
                  "ul",     "ol",         "li",      "table",  "tr",      "br"});
}

// The value of the named attribute, null when there is none.
QString Attribute(const xmlNode* node, const char* name) {
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
        if (!attribute->name || qstricmp(reinterpret_cast<const char*>(attribute->name), name) != 0) continue;
        QByteArray value;
        for (const xmlNode* text = attribute->children; text; text = text->next)
            if (text->content) value += reinterpret_cast<const char*>(text->content);
        return QString::fromUtf8(value.isNull() ? QByteArray("") : value);
    }
    return {};
}

// The leading digits of a value ("120", "120px"), or -1 when it has none or is a percentage.
long long Number(const QString& value) {
    const QString trimmed = value.trimmed();
    long long number = 0;
    qsizetype i = 0;
    for (; i < trimmed.size() && trimmed[i].isDigit() && trimmed[i].unicode() < 128 && i < 9; ++i)
        number = number * 10 + (trimmed[i].unicode() - u'0');
    if (i == 0 || trimmed.sliced(i).trimmed().startsWith(u'%')) return -1;
    return number;
}

long long Clamped(long long value, long long low, long long high) { return std::clamp(value, low, high); }

struct TableGrid {
    long long rows = 0;
    long long tallest = 0;
    long long rowWidth = 0;
    long long widest = 0;
    bool impliedRow = false;  // cells stand straight in the table; the writer opened a row for them
    long long Cells() const { return std::max(rows, tallest) * widest; }
    void Row() {
        ++rows;
        rowWidth = 0;
    }
    void Cell(long long colspan, long long rowspan) {
        if (rows == 0) Row();
        rowWidth += colspan;
        widest = std::max(widest, rowWidth);
        tallest = std::max(tallest, rows - 1 + rowspan);
    }
};

// Depth first over the tree, without recursion (a tree may be nested as deep as the page is
// long). Enter answers whether the node's children are visited; Leave follows them.
template <class Visitor>
void Walk(xmlDoc* document, Visitor& visitor) {
    xmlNode* node = document->children;
    const auto* top = reinterpret_cast<const xmlNode*>(document);
    while (node) {
        if (visitor.Enter(node)) {
            if (node->children) {
                node = node->children;
                continue;
            }
            visitor.Leave();
        }
        while (!node->next) {
            node = node->parent;
            if (!node || node == top) return;
            visitor.Leave();
        }
        node = node->next;
    }
}

// The canonical markup of the allowlist. Sets beyond when the page passes a bound.
class MarkupWriter {
public:
    explicit MarkupWriter(const std::map<QString, QSize>& pictures) : pictures_(pictures), text_(out, true) {}

    QString out;
    bool beyond = false;

    bool Enter(const xmlNode* node) {
        if (beyond) return false;
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (context_ == Context::Flow && node->content)
                text_.Append(QString::fromUtf8(reinterpret_cast<const char*>(node->content)));
            if (text_.Characters() > kLongestParagraph) beyond = true;
            return false;
        }
        if (node->type != XML_ELEMENT_NODE) return false;
        const QByteArray name = NameOf(node);
        if (IsHidden(name)) return false;
        Open open;
        open.context = context_;
        open.paragraph = paragraph_;
        open.heading = heading_;
        open.link = link_;
        const bool cell = name == "td" || name == "th";
        if (context_ == Context::Table) {
            // Cells straight in a table (the parser supplies no row) stand in a row of their own.
            if (cell) {
                if (!grids_.back().impliedRow) {
                    Count(1);
                    if (++depth_ > kMaxPageNesting) beyond = true;
                    out += u"<tr>";
                    grids_.back().Row();
                    grids_.back().impliedRow = true;
                }
                Cell(node, name, open);
                return Push(open);
            }
            CloseImpliedRow();
            if (name == "tr") {
                Write(open, "tr", {});
                grids_.back().Row();
                context_ = Context::Row;
            }
            return Push(open);
        }
        if (context_ == Context::Row) {
            if (cell) Cell(node, name, open);
            return Push(open);
        }
        if (name == "br") {
            Count(1);
            out += u"<br>";
            EndLine();
            return false;
        }
        if (name == "img") {
            Picture(node);
            return false;
        }
        if (name == "hr") {
            BreakLine();
            return false;
        }
        if (OneOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6"}) && !paragraph_) {
            EndLine();
            Write(open, name, {});
            paragraph_ = true;
            if (name == "h1" || name == "h2") heading_ = 2;
            open.endsLine = true;
        } else if (OneOf(name, {"b", "strong"})) {
            Write(open, "b", {});
        } else if (OneOf(name, {"i", "em"})) {
            Write(open, "i", {});
        } else if (name == "u") {
            Write(open, "u", {});
        } else if (name == "font") {
            const QString value = Attribute(node, "color").trimmed();
            const QColor colour = value.size() <= 32 ? QColor::fromString(value) : QColor();
            if (colour.isValid() && colour.alpha() == 255)
                Write(open, "font", " color=\"" + colour.name(QColor::HexRgb) + "\"");
        } else if (name == "a") {
            const QString href = Attribute(node, "href").trimmed();
            const QUrl url(href, QUrl::TolerantMode);
            if (!link_ && !href.isEmpty() && href.size() <= 2048 && url.isValid()) {
                Write(open, "a", " href=\"" + url.toString(QUrl::FullyEncoded).toHtmlEscaped() + "\"");
                link_ = true;
            }
        } else if (name == "ul" || name == "ol") {
            if (++lists_ > kMaxPageListNesting) beyond = true;
            EndLine();
            Write(open, name, {});
            listItems_.push_back(0);
            open.list = true;
            open.endsLine = true;
        } else if (name == "li" && !open_.empty() && OneOf(WrittenParent(), {"ul", "ol"})) {
            if (++listItems_.back() > kMaxPageListItems) beyond = true;
            EndLine();
            Write(open, "li", {});
            open.endsLine = true;
        } else if (name == "table") {
            if (++tables_ > kMaxPageTableNesting) beyond = true;
            EndLine();
            Write(open, "table", Number(Attribute(node, "border")) > 0 ? " border=\"1\" cellspacing=\"0\"" : "");
            grids_.emplace_back();
            open.table = true;
            open.endsLine = true;
            context_ = Context::Table;
        } else if (IsBlock(name)) {
            BreakLine();
            open.breaksLine = true;
        }
        return Push(open);
    }

    void Leave() {
        Open open = std::move(open_.back());
        open_.pop_back();
        if (beyond) return;
        if (open.table) CloseImpliedRow();
        if (!open.tag.isEmpty()) {
            out += "</" + open.tag + ">";
            --depth_;
        }
        if (open.endsLine) EndLine();
        context_ = open.context;
        paragraph_ = open.paragraph;
        heading_ = open.heading;
        link_ = open.link;
        if (open.list) {
            --lists_;
            listItems_.pop_back();
        }
        if (open.table) {
            --tables_;
            closedTableWork_ += grids_.back().Cells() << (grids_.size() - 1);
            grids_.pop_back();
        }
        if (open.breaksLine) BreakLine();
    }

    void Finish() { EndLine(); }

private:
    enum class Context { Flow, Table, Row };
    // What an element that was entered leaves to its end.
    struct Open {
        QByteArray tag;  // written; its end tag follows the content
        Context context;
        bool paragraph;
        int heading;
        bool link;
        bool list = false;
        bool table = false;
        bool endsLine = false;
        bool breaksLine = false;
    };

    bool Push(Open& open) {
        open_.push_back(std::move(open));
        return true;
    }
    const QByteArray& WrittenParent() const {
        static const QByteArray none;
        for (auto it = open_.rbegin(); it != open_.rend(); ++it)
            if (!it->tag.isEmpty()) return it->tag;
        return none;
    }
    void Cell(const xmlNode* node, const QByteArray& name, Open& open) {
        const long long colspan = Clamped(Number(Attribute(node, "colspan")), 1, kMaxPageCellSpan);
        const long long rowspan = Clamped(Number(Attribute(node, "rowspan")), 1, kMaxPageCellSpan);
        QString attributes;
        if (colspan > 1) attributes += QStringLiteral(" colspan=\"%1\"").arg(colspan);
        if (rowspan > 1) attributes += QStringLiteral(" rowspan=\"%1\"").arg(rowspan);
        grids_.back().Cell(colspan, rowspan);
        if (grids_.back().Cells() > kMaxPageTableCells || TableWork() > kMaxPageTableWork) beyond = true;
        Write(open, name, attributes);
        context_ = Context::Flow;
        paragraph_ = false;
        heading_ = 1;
        open.endsLine = true;
        text_.StartLine();
    }
    void CloseImpliedRow() {
        if (!grids_.back().impliedRow) return;
        out += u"</tr>";
        --depth_;
        grids_.back().impliedRow = false;
    }
    long long TableWork() const {
        long long work = closedTableWork_;
        for (std::size_t level = 0; level < grids_.size(); ++level) work += grids_[level].Cells() << level;
        return work;
    }
    void Count(long long elements) {
        elements_ += elements;
        if (elements_ > kMaxPageElements) beyond = true;
    }
    void Write(Open& open, const QByteArray& tag, const QString& attributes) {
        Count(1);
        if (++depth_ > kMaxPageNesting) beyond = true;
        open.tag = tag;
        out += u'<' + QString::fromLatin1(tag) + attributes + u'>';
    }
    void AddLines(long long lines) {
        lines_ += lines;
        if (lines_ > kMaxPageLines) beyond = true;
    }
    // The open line ends: it counts its characters' lines.
    void EndLine() {
        const long long perLine = tables_ > 0 ? 1 : kCharactersPerLine;
        AddLines(1 + text_.Characters() * heading_ / perLine);
        text_.StartLine();
    }
    // A line break where a block of the page that is not written began or ended.
    void BreakLine() {
        if (context_ != Context::Flow || text_.Characters() == 0) return;
        Count(1);
        out += u"<br>";
        EndLine();
    }
    void Picture(const xmlNode* node) {
        if (context_ != Context::Flow) return;
        Count(1);
        const QString source = Attribute(node, "src").trimmed();
        const auto found = pictures_.find(source);
        const bool own = found != pictures_.end() && found->second.isValid() && !found->second.isEmpty();
        const QSize natural = own ? found->second : QSize(1, 1);
        long long width = Number(Attribute(node, "width"));
        long long height = Number(Attribute(node, "height"));
        if (width <= 0 && height <= 0) {
            width = natural.width();
            height = natural.height();
        } else if (height <= 0) {
            height = width * natural.height() / natural.width();
        } else if (width <= 0) {
            width = height * natural.width() / natural.height();
        }
        width = Clamped(width, 1, kMaxPagePictureSide);
        height = Clamped(height, 1, kMaxPagePictureSide);
        AddLines(height / kPicturePixelsPerLine + 1);
        out += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                   // One call: a marker such as "%1" inside the address is text, never filled.
                   .arg((own ? source : QString::fromLatin1(kPagePlaceholderName)).toHtmlEscaped(),
                        QString::number(width), QString::number(height));
    }

    const std::map<QString, QSize>& pictures_;
    TextRun text_;
    std::vector<Open> open_;
    std::vector<TableGrid> grids_;   // of the open tables, the outermost first
    long long closedTableWork_ = 0;  // of the tables already closed
    std::vector<int> listItems_;     // of the open lists
    Context context_ = Context::Flow;
    bool paragraph_ = false;  // inside a written paragraph or heading
    int heading_ = 1;         // lines a line of text counts for (a large heading two)
    bool link_ = false;
    int depth_ = 0;
    int lists_ = 0;
    int tables_ = 0;
    long long elements_ = 0;
    long long lines_ = 0;
};

// The page's plain text: its words, each block on a line of its own, a blank between cells; it
// ends after kMaxPageLines lines.
class PlainWriter {
public:
    PlainWriter() : text_(out, false) {}

    QString out;

    bool Enter(const xmlNode* node) {
        if (full_) return false;
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) text_.Append(QString::fromUtf8(reinterpret_cast<const char*>(node->content)));
            return false;
        }
        if (node->type != XML_ELEMENT_NODE) return false;
        const QByteArray name = NameOf(node);
        if (IsHidden(name)) return false;
        const bool block = IsBlock(name);
        if (block) EndLine();
        else if (name == "td" || name == "th") text_.Blank();
        ends_.push_back(block);
        return true;
    }
    void Leave() {
        if (ends_.back()) EndLine();
        ends_.pop_back();
    }
    void Finish() {
        while (out.endsWith(u' ') || out.endsWith(u'\n')) out.chop(1);
    }

private:
    void EndLine() {
        if (text_.Characters() == 0 && (out.isEmpty() || out.endsWith(u'\n'))) return;
        while (out.endsWith(u' ')) out.chop(1);
        if (++lines_ >= kMaxPageLines) {
            full_ = true;
            return;
        }
        out += u'\n';
        text_.StartLine();
    }

    TextRun text_;
    std::vector<bool> ends_;
    long long lines_ = 0;
    bool full_ = false;
};

// Markup that no parser read, as plain text: its first kMaxPageLines lines, their runs broken.
QString UnreadMarkup(const QString& html) {
    QString out;
    TextRun text(out, false);
    long long lines = 0;
    for (const QStringView line : QStringView(html).split(u'\n')) {
        if (lines == kMaxPageLines) break;
        if (lines++ > 0) {
            out += u'\n';
            text.StartLine();
        }
        text.Append(line);
    }
    return out;
}

}  // namespace

RebuiltPage RebuildPage(const QString& html, const std::map<QString, QSize>& pictures) {
    const PageParser parser = LoadPageParser();
    if (!parser.functions) return {UnreadMarkup(html), true};
    // The parser reads no deeper than 256 open elements (what follows is not shown); lifting the
    // limit makes its cost grow with the square of the nesting.
    const QByteArray bytes = html.toUtf8();
    htmlDocPtr document = parser.functions->readMemory(
        bytes.constData(), static_cast<int>(bytes.size()), nullptr, "UTF-8",
        HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    if (!document) return {QString(), true};
    const auto free = qScopeGuard([&] { parser.functions->freeDoc(document); });
    MarkupWriter markup(pictures);
    Walk(document, markup);
    markup.Finish();
    if (!markup.beyond) return {markup.out, false};
    PlainWriter plain;
    Walk(document, plain);
    plain.Finish();
    return {plain.out, true};
}

}  // namespace kestrune
