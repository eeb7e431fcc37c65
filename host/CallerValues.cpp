#include "host/CallerValues.h"

#include <charconv>

#include "foundation/UnitVAR.h"
#include "foundation/core/PathNames.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "foundation/core/SystemFolders.h"
#include "platform/Executable.h"

namespace kestrune {

std::string P1, P2, P3, P5, P6, P7;
std::string ProName, ProVer, IconPatch, URLtoFile, URLtoMSG, Exe;

void ClearCallerValues() {
    for (std::string* value :
         {&P1, &P2, &P3, &P5, &P6, &P7, &ProName, &ProVer, &IconPatch, &URLtoFile, &URLtoMSG, &Exe})
        value->clear();
}

const ProgramValues callerValues(ClearCallerValues);

long ModeNumber(const std::string& mode) {
    long number = 0;
    const char* first = mode.data();
    const char* last = mode.data() + mode.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() && end == last && first != last ? number : 0;
}

void MergeParameters() {
    if (!P1.empty()) StartMessagesAllowed = false;
    auto merge = [](std::string& parameter, std::string& stored) {
        if (parameter.empty()) parameter = stored;
        else stored = parameter;
    };
    merge(P2, ProName);
    merge(P3, ProVer);
    merge(P5, IconPatch);
    if (!P1.empty()) {
        const long mode = ModeNumber(P1);
        if (mode == 0 || mode == 1) merge(P6, URLtoFile);
        if (mode == 0) merge(P7, URLtoMSG);
    }
}

std::string StartRefusal(const CallerValue& name, const CallerValue& version, const std::vector<CallerValue>& texts) {
    const std::string refused = "; the start is refused.";
    for (const CallerValue* part : {&name, &version}) {
        if (part->value.empty()) continue;
        const std::string fault = PathNameFault(part->value);
        if (!fault.empty())
            return std::string(kProductName) + ": the " + part->label + " \"" + Printable(part->value) +
                   "\" cannot be used as a file name: it " + fault + refused;
    }
    for (const CallerValue& text : texts)
        if (HasControlCharacter(text.value))
            return std::string(kProductName) + ": the " + text.label + " \"" + Printable(text.value) +
                   "\" holds a control character" + refused;

    // The file prefix "name_version" begins the names of the online checks' files in the
    // settings folder and in TEMP; the name is a folder under Application Data as well.
    const std::size_t longestFile = name.value.size() + 1 + version.value.size() + kLongestPrefixSuffix;
    const std::string both = "the " + name.label + " and the " + version.label;
    if (longestFile > kMaxNameBytes)
        return std::string(kProductName) + ": " + both + " make file names longer than a file name may be" + refused;
    const std::string folders[] = {GetSpecialFolder(0) + "\\" + kProductName + "\\" + name.value,
                                   platform::ExecutableFolder() + "\\Settings", GetSpecialFolder(1)};
    for (const std::string& folder : folders)
        if (!FitsInPath(folder, longestFile))
            return std::string(kProductName) + ": " + both + " make paths longer than the system allows, in \"" +
                   Printable(folder) + "\"" + refused;
    return {};
}

}  // namespace kestrune
