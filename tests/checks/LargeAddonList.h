#pragma once
// Large add-on lists for the test and the benchmark of the list reader.

#include <string>

namespace checktest {

// A list whose "List" section counts count entries and names the first named of them (e1, e2, ...);
// the first sections of them have a section with an install name (i1, i2, ...) and a branch, Add
// for odd numbers and Patch for even ones.
inline std::string LargeAddonList(int count, int named, int sections) {
    std::string list = "[List]\r\nCOA=" + std::to_string(count) + "\r\n";
    for (int i = 1; i <= named; ++i) list += "N" + std::to_string(i) + "=e" + std::to_string(i) + "\r\n";
    for (int i = 1; i <= sections; ++i)
        list += "[e" + std::to_string(i) + "]\r\nInNm=i" + std::to_string(i) + "\r\nPrnt=" + (i % 2 ? "Add" : "Patch") +
                "\r\n";
    return list;
}

// InstallComponents.ini naming i1 to i(count), each line ended by CR LF.
inline std::string LargeInstalledList(int count) {
    std::string installed;
    for (int i = 1; i <= count; ++i) installed += "i" + std::to_string(i) + "\r\n";
    return installed;
}

}  // namespace checktest
