// The program's icon, whose pictures are decoded only when something looks at them, gives what
// an ordinary icon made from the same pictures gives: sizes, scaled and derived forms, paint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "resources/ProgramIcon.h"

namespace kestrune {
namespace {

QIcon OrdinaryIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/kestrune/icon/KV.Kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}

QImage Painted(const QIcon& icon, const QRect& rect, QIcon::Mode mode) {
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    icon.paint(&painter, rect, Qt::AlignCenter, mode);
    painter.end();
    return canvas;
}

TEST(ProgramIcon, GivesWhatTheOrdinaryIconGives) {
    const QIcon ordinary = OrdinaryIcon();
    const QIcon program = ProgramIcon();
    ASSERT_FALSE(ordinary.isNull());
    EXPECT_FALSE(program.isNull());
    EXPECT_EQ(program.availableSizes(), ordinary.availableSizes());
    EXPECT_EQ(program.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {256, 256}}));

    struct Case {
        QSize size;
        qreal ratio;
    };
    const Case cases[] = {{{16, 16}, 1.0}, {{20, 20}, 1.0}, {{48, 48}, 1.0},  {{300, 300}, 1.0},
                          {{16, 16}, 2.0}, {{24, 24}, 1.5}, {{128, 128}, 2.0}};
    for (const Case& c : cases) {
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Selected}) {
            SCOPED_TRACE(testing::Message() << c.size.width() << " at " << c.ratio << ", mode " << mode);
            EXPECT_EQ(program.actualSize(c.size, mode), ordinary.actualSize(c.size, mode));
            const QPixmap got = program.pixmap(c.size, c.ratio, mode);
            const QPixmap expected = ordinary.pixmap(c.size, c.ratio, mode);
            ASSERT_FALSE(got.isNull());
            EXPECT_EQ(got.size(), expected.size());
            EXPECT_EQ(got.devicePixelRatio(), expected.devicePixelRatio());
            EXPECT_EQ(got.toImage(), expected.toImage());
        }
    }
    for (const QRect& rect : {QRect(0, 0, 16, 16), QRect(10, 20, 40, 30), QRect(0, 0, 100, 100)}) {
        EXPECT_EQ(Painted(program, rect, QIcon::Normal), Painted(ordinary, rect, QIcon::Normal));
        EXPECT_EQ(Painted(program, rect, QIcon::Disabled), Painted(ordinary, rect, QIcon::Disabled));
    }
    // A copy (windows keep their own) is the same icon.
    const QIcon copy = program;
    EXPECT_EQ(copy.pixmap(32).toImage(), ordinary.pixmap(32).toImage());
}

}  // namespace
}  // namespace kestrune
