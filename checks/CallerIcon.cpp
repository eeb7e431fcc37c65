#include "checks/CallerIcon.h"

#include <QApplication>
#include <QIcon>

#include "foundation/UnitVAR.h"
#include "platform/FileSystem.h"

namespace kestrune {

QPixmap CallerIconPixmap(int size) {
    QPixmap picture;
    const bool named = !IconPath.empty();
    const bool present = named && platform::IsRegularFile(IconPath);
    if (present) picture = QIcon(QString::fromStdString(platform::NativePath(IconPath))).pixmap(size, size);
    if (picture.isNull() && (!named || present)) picture = QApplication::windowIcon().pixmap(size, size);
    return picture;
}

}  // namespace kestrune
