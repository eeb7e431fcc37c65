#pragma once
// Small helpers shared by the host's service files.

#include <QWidget>
#include <string>

#include "platform/FileSystem.h"

namespace kestrune::services {

// The named child of a window, or nullptr (also for no window).
template <class T>
T* Child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(name) : nullptr;
}

inline void DeleteIfPresent(const std::string& path) {
    if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
}

}  // namespace kestrune::services
