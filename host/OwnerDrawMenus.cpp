#include "host/OwnerDrawMenus.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <cmath>
#include <stdexcept>

#include "foundation/core/Guard.h"

namespace kestrune {

TRyMenu* MenuPainter = nullptr;
QImage CheckMarkGlyph;
QImage RadioBulletGlyph;
QImage GlyphWorkBitmap;

namespace {

// Point tables (x, y): the tick's 18 points, then the bullet's 24.
constexpr std::uint8_t kGlyphPoints[] = {
    2,  6, 3, 7, 4, 8, 5, 9, 6, 8, 7, 7, 3, 6, 4, 7, 5, 8, 6, 7, 7, 6, 8, 5, 9, 4, 10, 3,
    11, 2, 3, 5, 4, 6, 5, 7, 3, 5, 3, 6, 4, 7, 5, 8, 6, 8, 7, 7, 8, 6, 8, 5, 7, 4, 6,  3,
    5,  3, 4, 4, 4, 5, 4, 6, 5, 7, 6, 7, 7, 6, 7, 5, 6, 4, 5, 4, 5, 5, 5, 6, 6, 6, 6,  5,
};
constexpr int kCheckPoints = 18;
constexpr int kBulletPoints = 24;
constexpr int kImageSize = 16;
constexpr int kSubmenuArrowRoom = 10;  // the submenu arrow and the room before it

QColor Palette(const QStyleOption& option, QPalette::ColorRole role) { return option.palette.color(role); }

// GDI's Rectangle: outline with the pen, inside with the brush, right and bottom edges excluded.
void GdiRectangle(QPainter* painter, int left, int top, int right, int bottom) {
    if (right - left < 1 || bottom - top < 1) return;
    painter->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

std::pair<QString, QString> CaptionAndShortcut(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0) return {text, QString()};
    return {text.left(tab), text.mid(tab + 1)};
}

bool ShownFromMenuBar(const QMenu* menu) {
    for (QObject* object : menu->menuAction()->associatedObjects())
        if (qobject_cast<QMenuBar*>(object)) return true;
    return false;
}

// The widest shortcut of the menu, as the menu itself adds it to every item's width.
int ReservedShortcutWidth(const QMenu* menu) {
    const QFontMetrics metrics = menu->fontMetrics();
    const bool fromMenuBar = ShownFromMenuBar(menu);
    int widest = 0;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator()) continue;
        const QString text = action->text();
        const qsizetype tab = text.indexOf(u'\t');
        if (tab >= 0) {
            widest = std::max(widest, metrics.horizontalAdvance(text.mid(tab + 1)));
        } else if ((action->isShortcutVisibleInContextMenu() || fromMenuBar) && !action->shortcut().isEmpty()) {
            widest = std::max(widest, metrics.horizontalAdvance(action->shortcut().toString(QKeySequence::NativeText)));
        }
    }
    return widest;
}

// The painter's style for one menu: the menu items are the painter's, every other question goes
// to the application's style of the moment.
class RyMenuStyle : public QStyle {
public:
    explicit RyMenuStyle(const TRyMenu* painter) : painter_(painter) { setObjectName("RyMenuStyle"); }

    void polish(QWidget* widget) override { Base()->polish(widget); }
    void unpolish(QWidget* widget) override { Base()->unpolish(widget); }
    void polish(QApplication* application) override { Base()->polish(application); }
    void unpolish(QApplication* application) override { Base()->unpolish(application); }
    void polish(QPalette& palette) override { Base()->polish(palette); }
    QRect itemTextRect(const QFontMetrics& fm, const QRect& r, int flags, bool enabled,
                       const QString& text) const override {
        return Base()->itemTextRect(fm, r, flags, enabled, text);
    }
    QRect itemPixmapRect(const QRect& r, int flags, const QPixmap& pixmap) const override {
        return Base()->itemPixmapRect(r, flags, pixmap);
    }
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                      const QString& text, QPalette::ColorRole textRole) const override {
        Base()->drawItemText(painter, rect, flags, pal, enabled, text, textRole);
    }
    void drawItemPixmap(QPainter* painter, const QRect& rect, int alignment, const QPixmap& pixmap) const override {
        Base()->drawItemPixmap(painter, rect, alignment, pixmap);
    }
    QPalette standardPalette() const override { return Base()->standardPalette(); }
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override {
        Base()->drawPrimitive(pe, opt, p, w);
    }
    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        if (item && element == CE_MenuItem && IsPaintedItem(*item)) {
            painter_->DrawMenuItem(p, *item, false);
            return;
        }
        if (item && element == CE_MenuBarItem) {
            painter_->DrawMenuItem(p, *item, true);
            return;
        }
        Base()->drawControl(element, opt, p, w);
    }
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override {
        return Base()->subElementRect(element, option, widget);
    }
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* widget) const override {
        Base()->drawComplexControl(cc, opt, p, widget);
    }
    SubControl hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, const QPoint& pt,
                                     const QWidget* widget) const override {
        return Base()->hitTestComplexControl(cc, opt, pt, widget);
    }
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* widget) const override {
        return Base()->subControlRect(cc, opt, sc, widget);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        return Base()->pixelMetric(metric, option, widget);
    }
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        const auto* menu = qobject_cast<const QMenu*>(widget);
        if (item && menu && ct == CT_MenuItem && IsPaintedItem(*item)) {
            // The menu widens every item by its widest shortcut afterwards; taken off here, the
            // widest item keeps exactly its measured width.
            QSize measured = painter_->MeasureMenuItem(*item);
            measured.setWidth(std::max(1, measured.width() - ReservedShortcutWidth(menu)));
            return measured;
        }
        return Base()->sizeFromContents(ct, opt, size, widget);
    }
    int styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        return Base()->styleHint(hint, opt, widget, returnData);
    }
    QPixmap standardPixmap(StandardPixmap pixmap, const QStyleOption* opt, const QWidget* widget) const override {
        return Base()->standardPixmap(pixmap, opt, widget);
    }
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override {
        return Base()->standardIcon(icon, option, widget);
    }
    QPixmap generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap, const QStyleOption* opt) const override {
        return Base()->generatedIconPixmap(iconMode, pixmap, opt);
    }
    int layoutSpacing(QSizePolicy::ControlType control1, QSizePolicy::ControlType control2, Qt::Orientation orientation,
                      const QStyleOption* option, const QWidget* widget) const override {
        return Base()->layoutSpacing(control1, control2, orientation, option, widget);
    }

private:
    static QStyle* Base() { return QApplication::style(); }
    // Qt's own kinds of rows (scrollers, tear-off handles, empty areas) keep the base style's look.
    static bool IsPaintedItem(const QStyleOptionMenuItem& item) {
        return item.menuItemType == QStyleOptionMenuItem::Normal ||
               item.menuItemType == QStyleOptionMenuItem::DefaultItem ||
               item.menuItemType == QStyleOptionMenuItem::Separator ||
               item.menuItemType == QStyleOptionMenuItem::SubMenu;
    }

    const TRyMenu* painter_;
};

void SetPainterStyle(QWidget* widget, const TRyMenu* painter) {
    if (widget && widget->style() != painter->Style()) widget->setStyle(painter->Style());
}

void HookMenuItems(const TRyMenu* painter, QMenu* parent);

// The item's menus draw it with the painter.
void HookMenuItem(const TRyMenu* painter, QAction* item) {
    Guard("URy.004-01", [&] {
        if (!item) return;
        for (QObject* object : item->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(object)) SetPainterStyle(menu, painter);
            else if (auto* bar = qobject_cast<QMenuBar*>(object)) SetPainterStyle(bar, painter);
        }
    });
}

// Every item below the parent, depth first.
void HookMenuItems(const TRyMenu* painter, QMenu* parent) {
    Guard("URy.005-01", [&] {
        if (!parent) return;
        SetPainterStyle(parent, painter);
        for (QAction* child : parent->actions()) {
            HookMenuItem(painter, child);
            if (child->menu() && child->menu() != parent) HookMenuItems(painter, child->menu());
        }
    });
}

}  // namespace

int LargerOf(int a, int b) {
    int result = a;
    Guard("URy.001-01", [&] { result = a < b ? b : a; });
    return result;
}

void ColorToRGBBytes(const QColor& color, std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue) {
    Guard("URy.002-01", [&] {
        const QRgb rgb = color.rgb();
        red = static_cast<std::uint8_t>(qRed(rgb));
        green = static_cast<std::uint8_t>(qGreen(rgb));
        blue = static_cast<std::uint8_t>(qBlue(rgb));
    });
}

QColor LightenColor(const QColor& color, std::uint8_t percent) {
    QColor result = color;
    Guard("URy.003-01", [&] {
        std::uint8_t channels[3] = {0, 0, 0};
        ColorToRGBBytes(color, channels[0], channels[1], channels[2]);
        int lightened[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            // The current rounding mode rounds a half to the even neighbour.
            const double value = (255.0 - channels[i]) * (percent / 100.0) + channels[i];
            lightened[i] = static_cast<int>(std::nearbyint(value));
            if (lightened[i] < 0 || lightened[i] > 255) throw std::range_error("lightened colour out of range");
        }
        result = QColor(lightened[0], lightened[1], lightened[2]);
    });
    return result;
}

TRyMenu::TRyMenu() : style_(std::make_unique<RyMenuStyle>(this)) {
    const QPalette palette = QApplication::palette();
    ItemColor = LightenColor(palette.color(QPalette::Button), 85);
    SelectedColor = LightenColor(palette.color(QPalette::Highlight), 65);
    CheckedColor = LightenColor(palette.color(QPalette::Highlight), 75);
    SetFont(QApplication::font("QMenu"));
}

TRyMenu::~TRyMenu() {
    // A menu that outlives the painter goes back to the application's style, never to a freed one.
    if (!QApplication::instance()) return;
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->style() == style_.get()) widget->setStyle(nullptr);
}

void TRyMenu::SetFont(const QFont& font) {
    Guard("URy.011-01", [&] { Font = font; });
}

QFont TRyMenu::ItemFont(const QStyleOptionMenuItem& item) const {
    QFont font = Font;
    const bool disabledAutoCheck =
        !(item.state & QStyle::State_Enabled) && item.checkType != QStyleOptionMenuItem::NotCheckable;
    if (item.menuItemType == QStyleOptionMenuItem::DefaultItem || disabledAutoCheck) font.setBold(true);
    return font;
}

int TRyMenu::GutterWidth(const QStyleOptionMenuItem& item) const {
    if (item.menuItemType == QStyleOptionMenuItem::Separator)
        return LargerOf(QFontMetrics(Font).height(), MinHeight) + 4;
    return item.rect.height() + 4;
}

QSize TRyMenu::MeasureMenuItem(const QStyleOptionMenuItem& item) const {
    QSize size;
    Guard("URy.010-01", [&] {
        // Measured in the font it is drawn in: a bold caption would otherwise lose its end.
        const QFontMetrics metrics(ItemFont(item));
        const bool separator = item.menuItemType == QStyleOptionMenuItem::Separator;
        int height = LargerOf(metrics.height(), MinHeight);
        if (separator) height = height > 20 ? 11 : 5;
        const auto [caption, shortcut] = CaptionAndShortcut(item.text);
        int width = LargerOf(metrics.horizontalAdvance(caption + shortcut) + 35, MinWidth);
        // The arrow of an item that opens a submenu lies in the item's right margin, which the
        // caption may fill: such an item is that much wider, as the system widens it.
        if (item.menuItemType == QStyleOptionMenuItem::SubMenu) width += kSubmenuArrowRoom;
        size = QSize(width, height);
    });
    return size;
}

void TRyMenu::DrawMenuItem(QPainter* painter, const QStyleOptionMenuItem& item, bool topLevel) const {
    Guard("URy.009-01", [&] {
        painter->save();
        struct Restore {
            QPainter* painter;
            ~Restore() { painter->restore(); }
        } restore{painter};
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);

        const bool selected = item.state & QStyle::State_Selected;
        const bool hot = topLevel && (item.state & QStyle::State_MouseOver);
        const bool disabled = !(item.state & QStyle::State_Enabled);
        const bool autoCheck = item.checkType != QStyleOptionMenuItem::NotCheckable;
        const bool radio = item.checkType == QStyleOptionMenuItem::Exclusive;
        const bool separator = item.menuItemType == QStyleOptionMenuItem::Separator;
        const QColor buttonFace = Palette(item, QPalette::Button);
        const QColor shadow = Palette(item, QPalette::Dark);

        int left = item.rect.left();
        int right = item.rect.left() + item.rect.width();
        const int top = item.rect.top();
        const int bottom = item.rect.top() + item.rect.height();
        const int gutter = left + GutterWidth(item);

        painter->setFont(Font);
        QPen pen(Qt::black, 1);
        painter->setPen(pen);

        // Background.
        if (selected) {
            painter->setBrush(SelectedColor);
            GdiRectangle(painter, left, top, right, bottom);
        } else if (hot) {
            pen.setColor(shadow);
            painter->setPen(pen);
            painter->setBrush(SelectedColor);
            GdiRectangle(painter, left, top, right, bottom);
        } else if (topLevel) {
            painter->fillRect(QRect(left, top, right - left, bottom - top), buttonFace);
        } else {
            painter->fillRect(QRect(left, top, gutter - left, bottom - top), buttonFace);
            painter->fillRect(QRect(gutter, top, right - gutter, bottom - top), ItemColor);
        }

        // The check mark: a square in the middle of the gutter with the tick or the bullet.
        if (item.checked && !topLevel) {
            painter->setBrush(CheckedColor);
            const int cx = (left + gutter - 1) / 2;
            const int cy = (top + bottom) / 2;
            GdiRectangle(painter, cx - 8, cy - 8, cx + 8, cy + 8);
            const QImage& glyph = radio ? RadioBulletGlyph : CheckMarkGlyph;
            painter->drawImage(QRect((left + gutter - 1 - glyph.width()) / 2, (top + bottom - glyph.height()) / 2,
                                     glyph.width(), glyph.height()),
                               glyph);
        }

        // The item's own image.
        if (!item.icon.isNull() && !topLevel) {
            const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
            if (!disabled) {
                painter->drawPixmap(QRect(left + 2, top + 1, kImageSize, kImageSize),
                                    item.icon.pixmap(QSize(kImageSize, kImageSize), ratio));
            } else {
                QImage image = item.icon.pixmap(QSize(kImageSize, kImageSize), ratio).toImage();
                image.setDevicePixelRatio(ratio);
                DrawImageListGlyph(GlyphWorkBitmap, image);
                DrawDisabledGlyph(painter, shadow, left + 4, (top + bottom - kImageSize) / 2);
            }
        }

        // A disabled item that checks itself is shown as a framed white bar.
        if (disabled && autoCheck) {
            painter->setBrush(Qt::white);
            GdiRectangle(painter, left, top, right, bottom);
        }

        const QFont font = ItemFont(item);
        // Every text stands on a light background: the lightened item, selected or checked colours,
        // or the white bar. Only a menu bar's resting item stands on the button face, and its text
        // takes the palette's button text so that a dark palette keeps it readable.
        QColor textColor = topLevel && !hot && !selected ? Palette(item, QPalette::ButtonText) : QColor(Qt::black);
        if (disabled) textColor = QColor(128, 128, 128);
        if (disabled && autoCheck) textColor = QColor(0, 0, 128);
        painter->setFont(font);
        painter->setBrush(Qt::NoBrush);

        if (!topLevel) left = gutter + 5;

        if (separator) {
            pen.setColor(shadow);
            painter->setPen(pen);
            const int y = top + (bottom - top) / 2;
            painter->drawLine(left, y, right - 1, y);
            return;
        }

        pen.setColor(textColor);
        painter->setPen(pen);
        const auto [caption, shortcut] = CaptionAndShortcut(item.text);
        const int flags = Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::AlignVCenter;
        const QRect textRect(left, top, right - left, bottom - top);
        const QFontMetrics metrics(font);
        const QString shown = metrics.elidedText(caption, Qt::ElideRight, textRect.width(), Qt::TextShowMnemonic);
        painter->drawText(textRect, flags | (topLevel ? Qt::AlignHCenter : Qt::AlignLeft), shown);
        if (!shortcut.isEmpty()) {
            right -= 5;
            painter->drawText(QRect(left, top, right - left, bottom - top), flags | Qt::AlignRight, shortcut);
        }
        // The system marks an item that opens a submenu with an arrow in its right margin.
        if (item.menuItemType == QStyleOptionMenuItem::SubMenu && !topLevel) {
            const int x = item.rect.left() + item.rect.width() - 8;
            const int y = (top + bottom) / 2;
            painter->setBrush(textColor);
            const QPoint arrow[3] = {QPoint(x, y - 3), QPoint(x + 3, y), QPoint(x, y + 3)};
            painter->drawPolygon(arrow, 3);
        }
    });
}

QImage DrawCheckGlyph(bool bullet) {
    QImage glyph;
    Guard("URy.013-01", [&] {
        glyph = QImage(12, 12, QImage::Format_ARGB32);
        glyph.fill(Qt::transparent);
        const int first = bullet ? kCheckPoints : 0;
        const int count = bullet ? kBulletPoints : kCheckPoints;
        for (int i = first; i < first + count; ++i)
            glyph.setPixel(kGlyphPoints[2 * i], kGlyphPoints[2 * i + 1], qRgba(0, 0, 0, 255));
    });
    return glyph;
}

void DrawImageListGlyph(QImage& bitmap, const QImage& image) {
    Guard("URy.007-01", [&] {
        bitmap = QImage(image.size(), QImage::Format_ARGB32);
        bitmap.setDevicePixelRatio(image.devicePixelRatio());
        bitmap.fill(Qt::transparent);
        const QImage source = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (qAlpha(source.pixel(x, y)) >= 128 && (source.pixel(x, y) & 0xffffff) != 0xffffff)
                    bitmap.setPixel(x, y, qRgba(0, 0, 0, 255));
    });
}

void DrawDisabledGlyph(QPainter* painter, const QColor& color, int x, int y) {
    Guard("URy.008-01", [&] {
        QImage stamp = GlyphWorkBitmap;
        QPainter colour(&stamp);
        colour.setCompositionMode(QPainter::CompositionMode_SourceIn);
        colour.fillRect(QRect(QPoint(0, 0), stamp.size()), color);
        colour.end();
        painter->drawImage(QPoint(x, y), stamp);
    });
}

void RyMenusInitialization() {
    CheckMarkGlyph = DrawCheckGlyph(false);
    RadioBulletGlyph = DrawCheckGlyph(true);
    GlyphWorkBitmap = QImage(kImageSize, kImageSize, QImage::Format_ARGB32);
    GlyphWorkBitmap.fill(Qt::transparent);
    if (!MenuPainter) MenuPainter = new TRyMenu();
}

void RyMenusFinalization() {
    GlyphWorkBitmap = QImage();
    CheckMarkGlyph = QImage();
    RadioBulletGlyph = QImage();
    delete MenuPainter;
    MenuPainter = nullptr;
}

void ApplyOwnerDraw(TRyMenu* painter, QMenu* menu, QAction* item) {
    Guard("URy.006-01", [&] {
        if (!painter) return;
        if (menu) HookMenuItems(painter, menu);
        if (item) {
            HookMenuItem(painter, item);
            if (item->menu()) HookMenuItems(painter, item->menu());
        }
    });
}

void ApplyOwnerDraw(TRyMenu* painter, QMenuBar* menuBar) {
    Guard("URy.006-01", [&] {
        if (!painter || !menuBar) return;
        SetPainterStyle(menuBar, painter);
        for (QAction* item : menuBar->actions())
            if (item->menu()) HookMenuItems(painter, item->menu());
    });
}

}  // namespace kestrune
