#include "foundation/SafePageDocument.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QUrl>
#include <QVariant>

#include "foundation/PageWriter.h"

namespace kestrune {
namespace {

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
    std::map<QString, QSize> sizes;
    for (const auto& [name, bytes] : pictures_) {
        QBuffer buffer;
        buffer.setData(bytes);
        sizes.emplace(name, QImageReader(&buffer).size());
    }
    const RebuiltPage page = RebuildPage(html, sizes);
    if (page.plain) setPlainText(page.text);
    else setHtml(page.text);
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
