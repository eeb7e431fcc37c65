#include "foundation/SafePageDocument.h"

#include <QImage>
#include <QUrl>
#include <QVariant>

namespace kestrune {

void SafePageDocument::SetPage(const QString& html, std::map<QString, QByteArray> pictures) {
    pictures_ = std::move(pictures);
    setHtml(html);
}

QVariant SafePageDocument::loadResource(int type, const QUrl& name) {
    // Never the base class: it would read local files the markup names.
    if (type != QTextDocument::ImageResource) return {};
    const auto found = pictures_.find(name.toString());
    if (found == pictures_.end()) return {};
    QImage image;
    if (!image.loadFromData(found->second)) return {};
    return image;
}

}  // namespace kestrune
