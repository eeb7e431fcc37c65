#pragma once
// The include rules of the source tree, read from the sources as text: a unit (a folder's Name.h
// with its Name.cpp, or a generated Name.h.in) never lies on a circle of units that include each
// other, and a folder includes only the folders below it in the layer order.

#include <string>
#include <vector>

namespace house {

struct IncludeFindings {
    // Each circle as "a -> b -> c -> a", units named folder/Name from the source root.
    std::vector<std::string> circles;
    // Each include against the layer order as "folder/Unit.h includes other/Unit.h".
    std::vector<std::string> layerBreaks;
    std::size_t units = 0;
};

// Reads every unit of the program's folders below root and judges its includes of the form
// "folder/Unit.h"; generated headers without a folder (ui_*.h) and system headers are not units.
IncludeFindings FindIncludeFindings(const std::string& root);

}  // namespace house
