#include "resources/ProgramIcon.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPixmap>
#include <memory>

namespace kestrune {

namespace {

constexpr int kSizes[] = {16, 32, 48, 256};

// The pictures decoded into an ordinary icon, once, when something first looks at them.
std::shared_ptr<const QIcon> DecodedIcon() {
    static std::weak_ptr<const QIcon> shared;
    if (auto icon = shared.lock()) return icon;
    auto icon = std::make_shared<QIcon>();
    for (const int size : kSizes) {
        // Qt's own PNG reader, named: a reader left to guess the format (as QIcon::addFile does)
        // loads and asks every image-format plugin first.
        QImageReader reader(QStringLiteral(":/kestrune/icon/KV.Kestrune-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull()) icon->addPixmap(QPixmap::fromImage(image));
    }
    shared = icon;
    return icon;
}

// Every start sets the icon for all windows, but a run without a window system that shows icons
// never looks at it: the four pictures are decoded at the first look, and then behave as the
// ordinary icon made from them (sizes, disabled and selected forms, high-density screens).
class ProgramIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        // size is in device pixels here, as the icon's own engine gets it.
        return Icon().pixmap(scale > 0 ? size / scale : size, scale > 0 ? scale : 1.0, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("KV.Kestrune"); }
    QIconEngine* clone() const override { return new ProgramIconEngine(*this); }

private:
    const QIcon& Icon() {
        if (!decoded_) decoded_ = DecodedIcon();
        return *decoded_;
    }
    std::shared_ptr<const QIcon> decoded_;
};

}  // namespace

QIcon ProgramIcon() { return QIcon(new ProgramIconEngine); }

}  // namespace kestrune
