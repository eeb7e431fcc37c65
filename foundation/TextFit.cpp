#include "foundation/TextFit.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBlock>
#include <algorithm>
#include <map>

namespace kestrune {
namespace {

// Closer to the right edge than this, a component belongs to the right edge: it stretches (or,
// for a row of buttons, moves) with the window.
constexpr int kRightEdgeSlack = 8;
// Room after a label's text, so that it never touches what follows it in its row.
constexpr int kTextGap = 4;
// What a one-line edit needs around its line of text.
constexpr int kEditFrame = 6;

const QPlainTextEdit* ReadOnlyMemo(const QWidget& widget) {
    const auto* memo = qobject_cast<const QPlainTextEdit*>(&widget);
    return memo && memo->isReadOnly() && !memo->document()->isEmpty() ? memo : nullptr;
}

// Components whose text decides their size; hidden ones only carry texts for the boxes.
bool ShowsText(const QWidget& widget) {
    if (widget.isHidden()) return false;
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) return !button->text().isEmpty();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) return !label->text().isEmpty();
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return combo->count() > 0;
    return ReadOnlyMemo(widget) != nullptr;
}

int NeededWidth(const QWidget& widget, int designWidth) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        // A wrapped label keeps its width and grows in height instead.
        if (label->wordWrap()) return designWidth;
        return std::max(designWidth, label->sizeHint().width() + kTextGap);
    }
    // A combo box is as wide as its longest entry needs.
    if (qobject_cast<const QPushButton*>(&widget) || qobject_cast<const QComboBox*>(&widget))
        return std::max(designWidth, widget.sizeHint().width());
    return designWidth;
}

// The height of a memo's lines as it wraps them at its width, with its frame and margins.
int MemoHeight(const QPlainTextEdit& memo, int width) {
    const int frame = memo.frameWidth();
    const int margin = static_cast<int>(memo.document()->documentMargin());
    const int available = std::max(1, width - 2 * frame - 2 * margin);
    const QFontMetrics metrics(memo.font());
    const int flags = memo.lineWrapMode() == QPlainTextEdit::NoWrap ? 0 : Qt::TextWordWrap;
    int lines = 0;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
        lines += block.text().isEmpty()
                     ? metrics.lineSpacing()
                     : metrics.boundingRect(QRect(0, 0, available, 1 << 20), flags, block.text()).height();
    }
    return lines + 2 * frame + 2 * margin;
}

int NeededHeight(const QWidget& widget, int width, int designHeight) {
    int needed = designHeight;
    if (const QPlainTextEdit* memo = ReadOnlyMemo(widget)) needed = MemoHeight(*memo, width);
    else if (const auto* label = qobject_cast<const QLabel*>(&widget))
        needed = label->wordWrap() ? label->heightForWidth(width) : label->sizeHint().height();
    else if (qobject_cast<const QPushButton*>(&widget) || qobject_cast<const QComboBox*>(&widget))
        needed = widget.sizeHint().height();
    else if (qobject_cast<const QLineEdit*>(&widget))
        // The line of text and its frame; the style's own hint asks for a pixel or two more than
        // the layout's edits have even where the text fits.
        needed = widget.fontMetrics().height() + kEditFrame;
    return std::max(designHeight, needed);
}

bool PlacedElsewhere(const QWidget& widget) {
    const QWidget* parent = widget.parentWidget();
    if (!parent) return true;
    if (qobject_cast<const QStackedWidget*>(parent)) return true;  // a page follows its page control
    return parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(&widget)) >= 0;
}

}  // namespace

TextFit::TextFit(QWidget* root, int designWidth, const std::vector<QWidget*>& skip)
    : designWidth_(designWidth), width_(designWidth) {
    for (QWidget* child : root->findChildren<QWidget*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || PlacedElsewhere(*child)) continue;
        bool skipped = false;
        for (const QWidget* up = child; up && up != root && !skipped; up = up->parentWidget())
            skipped = std::find(skip.begin(), skip.end(), up) != skip.end() ||
                      (up != child && up->objectName().startsWith(QLatin1String("qt_")) &&
                       !qobject_cast<const QStackedWidget*>(up));
        if (skipped) continue;
        places_.push_back({child, child->geometry(), child->geometry()});
    }
}

void TextFit::SetDesignTop(QWidget* widget, int top) {
    for (Place& p : places_)
        if (p.widget == widget) p.design.moveTop(top);
}

void TextFit::SetDesignHeight(QWidget* widget, int height) {
    for (Place& p : places_)
        if (p.widget == widget) p.design.setHeight(height);
}

int TextFit::ExtraHeight(const QWidget* container) const {
    // The lowest bottom of its components now against the lowest in the layout.
    int design = 0, now = 0;
    bool any = false;
    for (const Place& p : places_) {
        if (p.widget->parentWidget() != container || p.widget->isHidden()) continue;
        any = true;
        design = std::max(design, p.design.bottom());
        now = std::max(now, p.now.bottom());
    }
    return any ? std::max(0, now - design) : 0;
}

void TextFit::Fit() {
    for (Place& p : places_) {
        p.text = ShowsText(*p.widget);
        p.now = p.design;
        if (p.text) p.now.setWidth(NeededWidth(*p.widget, p.design.width()));
    }
    // Rows: components with text under one parent whose heights overlap, left to right. A grown
    // component pushes the rest of its row along and keeps the designed gaps.
    std::vector<std::vector<Place*>> rows;
    for (Place& place : places_) {
        if (!place.text) continue;
        std::vector<Place*>* row = nullptr;
        for (auto& candidate : rows) {
            const Place& other = *candidate.front();
            if (other.widget->parentWidget() == place.widget->parentWidget() &&
                place.design.y() < other.design.y() + other.design.height() &&
                other.design.y() < place.design.y() + place.design.height())
                row = &candidate;
        }
        if (row) row->push_back(&place);
        else rows.push_back({&place});
    }
    int needed = designWidth_;
    for (auto& row : rows) {
        std::sort(row.begin(), row.end(), [](const Place* a, const Place* b) { return a->design.x() < b->design.x(); });
        for (std::size_t i = 1; i < row.size(); ++i) {
            const QRect& before = row[i - 1]->design;
            const int gap = row[i]->design.x() - (before.x() + before.width());
            Place& place = *row[i];
            place.now.moveLeft(std::max(place.design.x(), row[i - 1]->now.x() + row[i - 1]->now.width() + gap));
            // A left-aligned label pushed along keeps its right edge while its text still fits:
            // what follows it moves only as far as its text needs.
            if (const auto* label = qobject_cast<const QLabel*>(place.widget);
                label && !label->wordWrap() && (label->alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignLeft)
                place.now.setWidth(
                    std::max(label->sizeHint().width() + kTextGap, place.design.right() - place.now.x() + 1));
        }
        const Place& last = *row.back();
        const int margin = std::max(0, designWidth_ - (last.design.x() + last.design.width()));
        needed = std::max(needed, last.now.x() + last.now.width() + margin);
    }
    width_ = needed;
    const int extra = width_ - designWidth_;
    const auto isButton = [](const Place* p) { return qobject_cast<const QPushButton*>(p->widget) != nullptr; };
    const auto depth = [](const QWidget* widget) {
        int d = 0;
        for (; widget; widget = widget->parentWidget()) ++d;
        return d;
    };
    // A component belongs to the right edge of its container: a container placed here is judged
    // by its layout width and grows by what it grew; any other one (the window, a page) by the
    // window's layout width and what the window grew.
    const auto placeOf = [this](const QWidget* widget) -> const Place* {
        for (const Place& p : places_)
            if (p.widget == widget) return &p;
        return nullptr;
    };
    struct Edge {
        int width;
        int extra;
    };
    const auto edgeOf = [&](const Place& place) {
        if (const Place* parent = placeOf(place.widget->parentWidget()))
            return Edge{parent->design.width(), parent->now.width() - parent->design.width()};
        return Edge{designWidth_, extra};
    };
    const auto atRightEdge = [](const QRect& d, const Edge& edge) {
        return d.x() + d.width() >= edge.width - kRightEdgeSlack;
    };
    // Everything but a button that reaches the right edge stretches with its container, the
    // outer containers first.
    std::vector<Place*> outerFirst;
    for (Place& place : places_) outerFirst.push_back(&place);
    std::stable_sort(outerFirst.begin(), outerFirst.end(),
                     [&](const Place* a, const Place* b) { return depth(a->widget) < depth(b->widget); });
    for (Place* place : outerFirst) {
        const Edge edge = edgeOf(*place);
        if (atRightEdge(place->design, edge) && !isButton(place))
            place->now.setWidth(
                std::max(place->now.width(), place->design.x() + place->design.width() + edge.extra - place->now.x()));
    }
    // A row of buttons at the right edge stays there.
    for (auto& row : rows) {
        const Edge edge = edgeOf(*row.back());
        if (!std::all_of(row.begin(), row.end(), isButton) || !atRightEdge(row.back()->design, edge)) continue;
        const int target = row.back()->design.x() + row.back()->design.width() + edge.extra;
        const int shift = std::max(0, target - (row.back()->now.x() + row.back()->now.width()));
        for (Place* place : row) place->now.translate(shift, 0);
    }

    // Heights: texts first, then, from the innermost containers out, each component moves down by
    // what grew above it in its container, and a container grows around its contents.
    for (Place& place : places_)
        if (place.text || qobject_cast<const QLineEdit*>(place.widget))
            place.now.setHeight(NeededHeight(*place.widget, place.now.width(), place.design.height()));
    std::map<QWidget*, std::vector<Place*>> byParent;
    for (Place& place : places_) byParent[place.widget->parentWidget()].push_back(&place);
    std::vector<QWidget*> parents;
    for (const auto& [parent, children] : byParent) parents.push_back(parent);
    std::sort(parents.begin(), parents.end(), [&](QWidget* a, QWidget* b) { return depth(a) > depth(b); });
    for (QWidget* parent : parents) {
        std::vector<Place*>& children = byParent[parent];
        std::sort(children.begin(), children.end(),
                  [](const Place* a, const Place* b) { return a->design.y() < b->design.y(); });
        for (Place* child : children) {
            int shift = 0;
            for (const Place* above : children) {
                if (above == child || above->widget->isHidden() || above->design.bottom() >= child->design.y())
                    continue;
                shift = std::max(shift, above->now.bottom() - above->design.bottom());
            }
            child->now.moveTop(child->design.y() + shift);
        }
        for (Place& place : places_)
            if (place.widget == parent) place.now.setHeight(place.now.height() + ExtraHeight(parent));
    }
    for (const Place& place : places_) place.widget->setGeometry(place.now);
}

}  // namespace kestrune
