#include "checks/NewVersionDescription.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "checks/AgentResults.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/VersionTags.h"
#include "platform/AsciiText.h"

namespace kestrune {
namespace {

std::string Trimmed(const std::string& text) {
    return std::string(platform::AsciiTrimmed(text, platform::kLineBlanks));
}

}  // namespace

bool ParseKilobytes(const std::string& line, int& kilobytes) {
    const std::string_view text = platform::AsciiTrimmed(line, platform::kLineBlanks);
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (*begin == '+') ++begin;
    const auto [ptr, error] = std::from_chars(begin, end, kilobytes);
    return error == std::errc() && ptr == end;
}

std::string MegabyteText(int kilobytes) {
    const long long kb = kilobytes;
    const long long mb = kb / 1024;
    const long long hundredths = ((kb - mb * 1024) * 100) / 1024;
    std::string fraction = std::to_string(hundredths < 0 ? -hundredths : hundredths);
    if (fraction.size() < 2) fraction.insert(0, 2 - fraction.size(), '0');
    return (kb < 0 && mb == 0 ? "-" : "") + std::to_string(mb) + "." + fraction;
}

bool VersionIsNewer(const std::string& candidate, const std::string& current, bool& comparable) {
    comparable = IsOrderableVersionTag(candidate) && IsOrderableVersionTag(current);
    return comparable && CompareVersionTags(candidate, current) > 0;
}

DescriptionCheck CheckDescriptionFile(const std::string& path) {
    const AgentResultText description = ReadAgentResult(path);
    if (description.state == ResultState::Missing) return DescriptionCheck::Missing;
    if (!description.read()) return DescriptionCheck::Unusable;
    const std::vector<std::string> lines = ResultLines(description.text);
    int kilobytes = 0;
    if (lines.size() < 4 || lines[0].find_first_not_of(" \t") == std::string::npos ||
        !ParseKilobytes(lines[3], kilobytes))
        return DescriptionCheck::Unusable;
    // A version that cannot be ordered against the running one is announced to nobody and, removed
    // as an unusable answer, holds no later check back.
    bool comparable = false;
    const bool newer = VersionIsNewer(Trimmed(lines[0]), CallingProgramVersion, comparable);
    if (!comparable) return DescriptionCheck::Unusable;
    return newer ? DescriptionCheck::Newer : DescriptionCheck::NotNewer;
}

}  // namespace kestrune
