#include "resources/ProgramIcon.h"

namespace kestrune {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/kestrune/icon/KV.Kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace kestrune
