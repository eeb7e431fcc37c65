#pragma once
// Small helpers shared by the host's service files.

#include <QWidget>

namespace kestrune::services {

// The named child of a window, or nullptr (also for no window).
template <class T>
T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(name) : nullptr;
}

}  // namespace kestrune::services
