// Draws the program's icon, a kestrel's head over a check mark, into PNG files of the sizes the
// windows use. Run by hand when the drawing changes (target kestrune_draw_icon); its output is
// kept in this folder:
//     kestrune_draw_icon <folder>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// Everything is drawn on a 256 x 256 canvas and scaled.
void Draw(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    // The tile: a rounded square from sky blue to deep blue.
    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0, QColor(0x4f, 0xa8, 0xe8));
    sky.setColorAt(1, QColor(0x1a, 0x4f, 0x9c));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // The head, facing left: crown, hooked beak, throat.
    QPainterPath head;
    head.moveTo(176, 44);
    head.cubicTo(126, 30, 82, 52, 70, 92);
    head.lineTo(46, 104);  // the beak's tip
    head.lineTo(64, 112);
    head.cubicTo(64, 150, 92, 178, 132, 186);
    head.lineTo(204, 186);
    head.cubicTo(214, 130, 214, 70, 176, 44);
    head.closeSubpath();
    p.setBrush(QColor(0xc8, 0x6b, 0x2e));  // a kestrel's rufous back
    p.drawPath(head);
    // The pale cheek and the dark moustache stripe under the eye.
    p.setBrush(QColor(0xf4, 0xe6, 0xd0));
    p.drawEllipse(QRectF(96, 100, 70, 62));
    p.setBrush(QColor(0x3a, 0x2a, 0x22));
    QPainterPath stripe;
    stripe.moveTo(108, 98);
    stripe.cubicTo(104, 120, 110, 140, 122, 152);
    stripe.lineTo(132, 146);
    stripe.cubicTo(122, 134, 120, 118, 124, 100);
    stripe.closeSubpath();
    p.drawPath(stripe);
    // The eye.
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(104, 84), 13, 13);
    p.setBrush(QColor(0x10, 0x10, 0x10));
    p.drawEllipse(QPointF(102, 84), 7, 7);
    // The beak's hook.
    p.setBrush(QColor(0xf2, 0xc1, 0x3a));
    QPainterPath beak;
    beak.moveTo(72, 90);
    beak.lineTo(44, 104);
    beak.lineTo(58, 116);
    beak.lineTo(74, 108);
    beak.closeSubpath();
    p.drawPath(beak);

    // The check mark in the lower corner: the program reports and checks.
    QPen tick(Qt::white, 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(44, 196), QPointF(68, 218), QPointF(112, 168)}));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrune_draw_icon <folder>\n");
        return 2;
    }
    for (const int size : {16, 32, 48, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(size / 256.0, size / 256.0);
        Draw(painter);
        painter.end();
        const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/KV.Kestrune-%1.png").arg(size);
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
