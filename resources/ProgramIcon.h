#pragma once
// The program's own icon, drawn for KV.Kestrune (resources/icon), in the sizes the windows use.

#include <QIcon>

namespace kestrune {

QIcon ProgramIcon();

}  // namespace kestrune
