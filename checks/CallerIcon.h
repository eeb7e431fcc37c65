#pragma once
// The calling program's icon as the check windows show it.

#include <QPixmap>

namespace kestrune {

// The icon of IconPath at size x size: the application's own icon when no icon file is named or
// the named one cannot be read as a picture (or is larger than 4 MiB); a null pixmap (the window
// keeps its design picture) when no plain file of that name exists. Only a regular file is read,
// and the open never waits.
QPixmap CallerIconPixmap(int size);

}  // namespace kestrune
