#include "checks/CallerIcon.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImageReader>
#include <algorithm>

#include "foundation/UnitVAR.h"
#include "platform/FileSystem.h"

namespace kestrune {

namespace {

// Far beyond any icon file; a larger one is not read.
constexpr std::size_t kCallerIconLimit = 4u * 1024u * 1024u;
// An icon file holds a few sizes of one picture.
constexpr int kMostPictures = 64;

// Every picture of the file's bytes, as QIcon would take them from the file itself.
QIcon IconFromBytes(const std::string& bytes) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QIcon icon;
    const int count = std::clamp(reader.imageCount(), 1, kMostPictures);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage image;
        if (reader.read(&image)) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace

QPixmap CallerIconPixmap(int size) {
    using Status = platform::RegularFileRead::Status;
    QPixmap picture;
    const bool named = !IconPath.empty();
    // Read as any file that someone may have replaced: a pipe or a device is never opened, a
    // file beyond the limit never read.
    const platform::RegularFileRead read =
        named ? platform::ReadRegularFile(IconPath, kCallerIconLimit) : platform::RegularFileRead{};
    const bool present = named && (read.status == Status::Read || read.status == Status::Unreadable);
    if (read.status == Status::Read && read.complete) picture = IconFromBytes(read.bytes).pixmap(size, size);
    if (picture.isNull() && (!named || present)) picture = QApplication::windowIcon().pixmap(size, size);
    return picture;
}

}  // namespace kestrune
