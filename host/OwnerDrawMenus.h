#pragma once
// The program's own look of its menus: one shared painter measures and draws every item of the
// menus it is attached to (a light item background, a gutter with check marks and images, a
// lightened highlight, its own tick and bullet glyphs, thin separators, shortcuts on the right).
//
// Qt asks a widget's style to measure and draw menu items, so the painter reaches a menu as a
// style of its own, set on that menu only. That style answers every other question with whatever
// style the application has at the moment (another proxy style included), so nothing else of
// the menu, and nothing outside it, changes.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QPainter;
class QStyle;
class QStyleOptionMenuItem;
class QWidget;

namespace kestrune {

// B when A < B, else A.
int LargerOf(int a, int b);
// The colour's red, green and blue bytes.
void ColorToRGBBytes(const QColor& color, std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue);
// Each channel moved towards white: c + (255 - c) * percent / 100, rounded half to even.
QColor LightenColor(const QColor& color, std::uint8_t percent);

class TRyMenu {
public:
    // Takes the menu font and resolves the lightened colours from the application's palette.
    TRyMenu();
    ~TRyMenu();
    TRyMenu(const TRyMenu&) = delete;
    TRyMenu& operator=(const TRyMenu&) = delete;

    void SetFont(const QFont& font);

    QFont Font;
    // The gutter follows the palette's button face as it is when an item is drawn.
    QColor ItemColor;      // text area of an item
    QColor SelectedColor;  // the selected item, a hot item of a menu bar
    QColor CheckedColor;   // the square behind a check mark
    int MinWidth = 0;
    int MinHeight = 18;

    // The size of one item; topLevel for an item of a menu bar (the system measures those).
    QSize MeasureMenuItem(const QStyleOptionMenuItem& item) const;
    // Draws one item into its rectangle; topLevel for an item of a menu bar.
    void DrawMenuItem(QPainter* painter, const QStyleOptionMenuItem& item, bool topLevel) const;
    // The painter's font, bold for the default item and for a disabled item that checks itself.
    QFont ItemFont(const QStyleOptionMenuItem& item) const;
    // The gutter's right edge, relative to the item's left edge.
    int GutterWidth(const QStyleOptionMenuItem& item) const;

    // The style that carries this painter to a menu.
    QStyle* Style() const { return style_.get(); }

private:
    std::unique_ptr<QStyle> style_;
};

// The shared painter and its glyphs: made at program start, freed at its end.
extern TRyMenu* MenuPainter;
extern QImage CheckMarkGlyph;    // 12 x 12, black tick on transparent
extern QImage RadioBulletGlyph;  // 12 x 12, black disc on transparent
extern QImage GlyphWorkBitmap;   // where a greyed image is prepared

// A 12 x 12 glyph from its point table: the bullet or the tick.
QImage DrawCheckGlyph(bool bullet);
// The image's shape in the work bitmap: every pixel that is not transparent becomes black.
void DrawImageListGlyph(QImage& bitmap, const QImage& image);
// The work bitmap's shape stamped onto the painter in one colour at (x, y).
void DrawDisabledGlyph(QPainter* painter, const QColor& color, int x, int y);

void RyMenusInitialization();
void RyMenusFinalization();

// Hooks the painter into a whole menu (with its submenus) or into one item tree (the menus that
// show the item and the item's own submenus); either may be absent.
void ApplyOwnerDraw(TRyMenu* painter, QMenu* menu, QAction* item);
// A menu bar: its top-level items and every menu below them.
void ApplyOwnerDraw(TRyMenu* painter, QMenuBar* menuBar);

}  // namespace kestrune
