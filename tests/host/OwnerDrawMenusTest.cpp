// The owner-drawn menus: sizes, colours, glyphs and texts of the items, painted off-screen, with
// light and dark palettes and at one and two device pixels per pixel.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <set>

#include "foundation/core/Guard.h"
#include "host/OwnerDrawMenus.h"

using namespace kestrune;

namespace {

QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Dark, QColor(25, 25, 25));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    return dark;
}

int Luminance(QRgb pixel) { return (qRed(pixel) * 299 + qGreen(pixel) * 587 + qBlue(pixel) * 114) / 1000; }

// The painter made under a palette; the application's palette is given back afterwards.
class Painter {
public:
    explicit Painter(const QPalette& palette) : saved_(QApplication::palette()) {
        QApplication::setPalette(palette);
        RyMenusInitialization();
        QFont font = MenuPainter->Font;
        font.setPixelSize(12);
        MenuPainter->SetFont(font);
    }
    ~Painter() {
        RyMenusFinalization();
        QApplication::setPalette(saved_);
    }

private:
    QPalette saved_;
};

// A popup menu with every kind of item the painter knows.
struct SampleMenu {
    SampleMenu() {
        open = menu.addAction("&Open");
        open->setShortcut(QKeySequence("Ctrl+O"));
        open->setShortcutVisibleInContextMenu(true);
        separator = menu.addSeparator();
        checked = menu.addAction("Checked item");
        checked->setCheckable(true);
        checked->setChecked(true);
        unchecked = menu.addAction("Unchecked item");
        unchecked->setCheckable(true);
        auto* group = new QActionGroup(&menu);
        radio = menu.addAction("English");
        radio->setCheckable(true);
        radio->setActionGroup(group);
        radio->setChecked(true);
        plain = menu.addAction("A rather longer caption of a plain item");
        disabled = menu.addAction("Disabled");
        disabled->setEnabled(false);
        disabledCheck = menu.addAction("Disabled check");
        disabledCheck->setCheckable(true);
        disabledCheck->setEnabled(false);
        submenu = menu.addMenu("Help");
        submenu->addAction("Help...");
        menu.setDefaultAction(plain);
    }
    QImage Render(qreal ratio) {
        menu.resize(menu.sizeHint());
        QImage image(menu.size() * ratio, QImage::Format_ARGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::magenta);
        menu.render(&image);
        return image;
    }
    QMenu menu;
    QAction *open, *separator, *checked, *unchecked, *radio, *plain, *disabled, *disabledCheck;
    QMenu* submenu;
};

// A pixel at logical coordinates of the image.
QRgb At(const QImage& image, int x, int y) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixel(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
}

TEST(OwnerDrawColours, LightenMovesEachChannelTowardsWhite) {
    const struct {
        QColor color;
        int percent;
        QColor expected;
    } cases[] = {
        {QColor(0, 0, 0), 85, QColor(217, 217, 217)},
        {QColor(255, 255, 255), 65, QColor(255, 255, 255)},
        {QColor(240, 240, 240), 85, QColor(253, 253, 253)},
        {QColor(0, 120, 215), 65, QColor(166, 208, 241)},
        {QColor(0, 120, 215), 75, QColor(191, 221, 245)},
        {QColor(10, 20, 30), 0, QColor(10, 20, 30)},
        {QColor(10, 20, 30), 100, QColor(255, 255, 255)},
        {QColor(0, 0, 0), 10, QColor(26, 26, 26)},  // 25.5 rounds to the even 26
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.color.name().toStdString() + " " + std::to_string(c.percent));
        EXPECT_EQ(LightenColor(c.color, static_cast<std::uint8_t>(c.percent)).rgb(), c.expected.rgb());
    }
    EXPECT_EQ(LargerOf(3, 5), 5);
    EXPECT_EQ(LargerOf(-1, -7), -1);
}

TEST(OwnerDrawGlyphs, TickAndBulletHoldTheirPoints) {
    auto points = [](const QImage& glyph) {
        std::set<std::pair<int, int>> set;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                if (qAlpha(glyph.pixel(x, y)) == 255) {
                    EXPECT_EQ(glyph.pixel(x, y) & 0xffffff, 0u);
                    set.insert({x, y});
                }
        return set;
    };
    const QImage tick = DrawCheckGlyph(false);
    const QImage bullet = DrawCheckGlyph(true);
    ASSERT_EQ(tick.size(), QSize(12, 12));
    ASSERT_EQ(bullet.size(), QSize(12, 12));
    const auto tickPoints = points(tick);
    EXPECT_EQ(tickPoints.size(), 18u);
    EXPECT_TRUE(tickPoints.count({5, 9}) && tickPoints.count({11, 2}) && tickPoints.count({2, 6}));
    const auto bulletPoints = points(bullet);
    EXPECT_EQ(bulletPoints.size(), 24u);
    for (const auto& [x, y] : bulletPoints) {
        EXPECT_GE(x, 3);
        EXPECT_LE(x, 8);
        EXPECT_GE(y, 3);
        EXPECT_LE(y, 8);
    }
    EXPECT_FALSE(bulletPoints.count({11, 2}));
}

TEST(OwnerDrawMenus, ItemsHaveTheirMeasuredSizes) {
    Painter painter(QApplication::palette());
    SampleMenu sample;
    ApplyOwnerDraw(MenuPainter, &sample.menu, nullptr);
    ASSERT_EQ(sample.menu.style(), MenuPainter->Style());
    EXPECT_EQ(sample.submenu->style(), MenuPainter->Style());

    const QFontMetrics metrics(MenuPainter->Font);
    ASSERT_LE(metrics.height(), 18);
    // Caption and shortcut as one text + 35; the default item and a disabled item that checks
    // itself are drawn bold and measured so.
    QFont bold = MenuPainter->Font;
    bold.setBold(true);
    int widest = 0;
    for (QAction* action : sample.menu.actions()) {
        if (action->isSeparator()) continue;
        QString text = action->text();
        if (!action->shortcut().isEmpty()) text += action->shortcut().toString(QKeySequence::NativeText);
        const bool isBold = action == sample.menu.defaultAction() || (!action->isEnabled() && action->isCheckable());
        widest = std::max(widest, QFontMetrics(isBold ? bold : MenuPainter->Font).horizontalAdvance(text) + 35);
    }
    EXPECT_GT(widest, metrics.horizontalAdvance(sample.plain->text()) + 35);
    for (QAction* action : sample.menu.actions()) {
        SCOPED_TRACE(action->text().toStdString());
        const QRect geometry = sample.menu.actionGeometry(action);
        EXPECT_EQ(geometry.height(), action->isSeparator() ? 5 : 18);
        EXPECT_EQ(geometry.width(), widest);
    }

    // A larger font: items follow its height, separators become 11.
    QFont large = MenuPainter->Font;
    large.setPixelSize(26);
    MenuPainter->SetFont(large);
    SampleMenu bigger;
    ApplyOwnerDraw(MenuPainter, &bigger.menu, nullptr);
    EXPECT_EQ(bigger.menu.actionGeometry(bigger.plain).height(), QFontMetrics(large).height());
    EXPECT_EQ(bigger.menu.actionGeometry(bigger.separator).height(), 11);
}

// Light and dark palettes, one and two device pixels per pixel: the same drawing, every text
// dark on a light ground.
TEST(OwnerDrawMenus, PaintedItemsShowTheirMarksAndStayReadable) {
    for (const bool dark : {false, true}) {
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(dark ? "dark" : "light") + " palette, ratio " + std::to_string(ratio));
            Painter painter(dark ? DarkPalette() : QApplication::palette());
            SampleMenu sample;
            ApplyOwnerDraw(MenuPainter, &sample.menu, nullptr);
            sample.menu.setActiveAction(sample.unchecked);
            const QImage image = sample.Render(ratio);
            const QPalette palette = sample.menu.palette();
            const QRgb gutter = palette.color(QPalette::Button).rgb();
            const QRgb item = MenuPainter->ItemColor.rgb();
            const QRgb checked = MenuPainter->CheckedColor.rgb();
            const QRgb selected = MenuPainter->SelectedColor.rgb();

            // A checked item: the 16 x 16 square in the middle of the 22-pixel gutter, framed
            // black, with the tick; the tick's lowest point and tip are black.
            const QRect row = sample.menu.actionGeometry(sample.checked);
            const int left = row.left(), top = row.top();
            EXPECT_EQ(At(image, left + 1, top + 5), gutter);
            EXPECT_EQ(At(image, left + 2, top + 5) & 0xffffff, 0u);   // the square's left edge (cx - 8)
            EXPECT_EQ(At(image, left + 17, top + 5) & 0xffffff, 0u);  // its right edge (cx + 7)
            EXPECT_EQ(At(image, left + 3, top + 5), checked);
            EXPECT_EQ(At(image, left + 4 + 5, top + 3 + 9) & 0xffffff, 0u);
            EXPECT_EQ(At(image, left + 4 + 11, top + 3 + 2) & 0xffffff, 0u);
            EXPECT_EQ(At(image, left + 4 + 2, top + 3 + 2), checked);
            EXPECT_EQ(At(image, left + 21, top + 9), gutter);
            EXPECT_EQ(At(image, left + 22, top + 9), item);

            // The radio item shows the bullet, not the tick.
            const QRect radio = sample.menu.actionGeometry(sample.radio);
            EXPECT_EQ(At(image, radio.left() + 4 + 5, radio.top() + 3 + 5) & 0xffffff, 0u);
            EXPECT_EQ(At(image, radio.left() + 4 + 11, radio.top() + 3 + 2), checked);

            // The selected, unchecked item: its whole row in the selected colour, framed black,
            // no mark in its gutter.
            const QRect active = sample.menu.actionGeometry(sample.unchecked);
            EXPECT_EQ(At(image, active.left(), active.top() + 9) & 0xffffff, 0u);
            EXPECT_EQ(At(image, active.left() + 9, active.top() + 9), selected);
            EXPECT_EQ(At(image, active.left() + 4 + 5, active.top() + 3 + 9), selected);

            // The separator: one line in the shadow colour from the gutter edge + 5 on.
            const QRect line = sample.menu.actionGeometry(sample.separator);
            const QRgb shadow = palette.color(QPalette::Dark).rgb();
            EXPECT_EQ(At(image, line.left() + 27, line.top() + 2), shadow);
            EXPECT_EQ(At(image, line.right() - 1, line.top() + 2), shadow);
            EXPECT_EQ(At(image, line.left() + 25, line.top() + 2), item);
            EXPECT_EQ(At(image, line.left() + 27, line.top() + 1), item);

            // The disabled item that checks itself: a white bar, black frame.
            const QRect bar = sample.menu.actionGeometry(sample.disabledCheck);
            EXPECT_EQ(At(image, bar.left() + 9, bar.top() + 9), qRgb(255, 255, 255));
            EXPECT_EQ(At(image, bar.left(), bar.top() + 9) & 0xffffff, 0u);

            // Texts start 27 pixels in, and every text is dark on a light ground.
            for (QAction* action :
                 {sample.open, sample.checked, sample.unchecked, sample.plain, sample.disabled, sample.disabledCheck}) {
                SCOPED_TRACE(action->text().toStdString());
                const QRect geometry = sample.menu.actionGeometry(action);
                int darkest = 255, lightest = 0, firstInk = -1;
                for (int x = geometry.left() + 23; x < geometry.right() - 2; ++x) {
                    for (int y = geometry.top() + 2; y < geometry.bottom() - 1; ++y) {
                        const int luminance = Luminance(At(image, x, y));
                        darkest = std::min(darkest, luminance);
                        lightest = std::max(lightest, luminance);
                        if (luminance < 160 && firstInk < 0) firstInk = x - geometry.left();
                    }
                }
                EXPECT_GE(lightest, 200);
                EXPECT_LE(darkest, 140);
                EXPECT_GE(firstInk, 27);
                EXPECT_LE(firstInk, 29);
            }
        }
    }
}

TEST(OwnerDrawMenus, TheShortcutIsRightAlignedFivePixelsInside) {
    Painter painter(QApplication::palette());
    SampleMenu sample;
    ApplyOwnerDraw(MenuPainter, &sample.menu, nullptr);
    const QImage image = sample.Render(1.0);
    const QRect row = sample.menu.actionGeometry(sample.open);
    int lastInk = -1;
    for (int x = row.left(); x <= row.right(); ++x)
        for (int y = row.top() + 2; y < row.bottom() - 1; ++y)
            if (Luminance(At(image, x, y)) < 128) lastInk = x;
    EXPECT_LE(lastInk, row.right() - 5);
    EXPECT_GE(lastInk, row.right() - 7);
}

// An item that opens a submenu may have the widest caption of its menu: its arrow still stands
// clear of the caption's end.
TEST(OwnerDrawMenus, TheSubmenuArrowStandsClearOfTheWidestCaption) {
    Painter painter(QApplication::palette());
    SampleMenu sample;
    sample.submenu->setTitle("A submenu whose caption is the widest of them all");
    ApplyOwnerDraw(MenuPainter, &sample.menu, nullptr);
    const QImage image = sample.Render(1.0);
    const QRect row = sample.menu.actionGeometry(sample.submenu->menuAction());
    std::vector<bool> ink(static_cast<std::size_t>(row.width()), false);
    for (int x = row.left() + 1; x < row.right(); ++x)
        for (int y = row.top() + 2; y < row.bottom() - 1; ++y)
            if (Luminance(At(image, x, y)) < 128) ink[static_cast<std::size_t>(x - row.left())] = true;
    // From the right: the arrow's columns, then the blank ones before it, then the caption's end.
    int x = row.width() - 1;
    while (x >= 0 && !ink[static_cast<std::size_t>(x)]) --x;
    const int arrowRight = x;
    while (x >= 0 && ink[static_cast<std::size_t>(x)]) --x;
    const int arrowLeft = x + 1;
    while (x >= 0 && !ink[static_cast<std::size_t>(x)]) --x;
    const int captionEnd = x;
    EXPECT_GE(arrowRight - arrowLeft, 2) << "an arrow is drawn";
    EXPECT_GE(captionEnd, 27) << "a caption is drawn";
    EXPECT_GE(arrowLeft - captionEnd - 1, 4) << "blank columns between the caption and the arrow";
}

// The painter's style answers what is not a menu item with the application's style of the
// moment, a proxy style that another part of the program installs included.
TEST(OwnerDrawMenus, EverythingElseFollowsTheApplicationsCurrentStyle) {
    class SlowHints : public QProxyStyle {
    public:
        using QProxyStyle::QProxyStyle;
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* data) const override {
            if (hint == SH_ToolTip_WakeUpDelay) return 4321;
            return QProxyStyle::styleHint(hint, option, widget, data);
        }
    };
    Painter painter(QApplication::palette());
    QMenu menu;
    menu.addAction("One");
    ApplyOwnerDraw(MenuPainter, &menu, nullptr);
    QStyle* previous = QApplication::style();
    const QString previousName = previous->name();
    QApplication::setStyle(new SlowHints(QStyleFactory::create(previousName)));
    EXPECT_EQ(menu.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, &menu), 4321);
    EXPECT_EQ(menu.style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu),
              QApplication::style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu));
    QApplication::setStyle(QStyleFactory::create(previousName));
}

TEST(OwnerDrawMenus, HookingAnItemAndTheMenusLifetime) {
    auto* menu = new QMenu();
    QMenu* sub = menu->addMenu("Sub");
    QAction* deep = sub->addMenu("Deeper")->menuAction();
    QMenu other;
    other.addAction("Untouched");
    {
        Painter painter(QApplication::palette());
        ApplyOwnerDraw(MenuPainter, nullptr, menu->menuAction());  // the item's own submenu tree
        EXPECT_EQ(menu->style(), MenuPainter->Style());
        EXPECT_EQ(sub->style(), MenuPainter->Style());
        EXPECT_EQ(deep->menu()->style(), MenuPainter->Style());
        EXPECT_NE(other.style(), MenuPainter->Style());
        ApplyOwnerDraw(nullptr, &other, nullptr);  // no painter: nothing changes
        EXPECT_NE(other.style(), MenuPainter->Style());

        QMenuBar bar;
        QMenu* file = bar.addMenu("File");
        file->addAction("Quit");
        ApplyOwnerDraw(MenuPainter, &bar);
        EXPECT_EQ(bar.style(), MenuPainter->Style());
        EXPECT_EQ(file->style(), MenuPainter->Style());
    }
    // The painter is gone; its menus draw with the application's style again.
    EXPECT_EQ(menu->style(), QApplication::style());
    EXPECT_EQ(sub->style(), QApplication::style());
    delete menu;
}

TEST(OwnerDrawMenus, AMenuBarsItemsAreCentredWithoutGutter) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        Painter painter(dark ? DarkPalette() : QApplication::palette());
        QMenuBar bar;
        bar.addMenu("File")->addAction("Quit");
        ApplyOwnerDraw(MenuPainter, &bar);
        bar.resize(bar.sizeHint().expandedTo(QSize(200, 10)));
        QImage image(bar.size(), QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        bar.render(&image);
        const QRect item = bar.actionGeometry(bar.actions().front());
        const QRgb face = bar.palette().color(QPalette::Button).rgb();
        EXPECT_EQ(At(image, item.left() + 1, item.top() + 1), face);
        // The caption is centred and takes the button text colour, readable on the face.
        int inkLeft = item.right(), inkRight = item.left(), darkest = 255, lightest = 0;
        const int faceLuminance = Luminance(face);
        for (int x = item.left(); x <= item.right(); ++x)
            for (int y = item.top(); y <= item.bottom(); ++y) {
                const int luminance = Luminance(At(image, x, y));
                if (std::abs(luminance - faceLuminance) > 60) {
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                }
                darkest = std::min(darkest, luminance);
                lightest = std::max(lightest, luminance);
            }
        ASSERT_LT(inkLeft, inkRight);
        EXPECT_LE(std::abs((inkLeft - item.left()) - (item.right() - inkRight)), 3);
        EXPECT_GE(lightest - darkest, 100);
    }
}

}  // namespace
