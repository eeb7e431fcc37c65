#include "checks/NewVersionDescription.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "checks/AgentResults.h"
#include "foundation/UnitVAR.h"

namespace kestrune {

namespace {

std::vector<long long> VersionParts(const std::string& text, bool& ok) {
    std::vector<long long> parts;
    ok = false;
    std::size_t start = 0;
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
    trimmed.erase(0, std::min(trimmed.size(), trimmed.find_first_not_of(" \t")));
    if (trimmed.empty()) return parts;
    while (start <= trimmed.size()) {
        const std::size_t dot = std::min(trimmed.find('.', start), trimmed.size());
        long long value = 0;
        const auto [ptr, error] = std::from_chars(trimmed.data() + start, trimmed.data() + dot, value);
        if (error != std::errc() || ptr != trimmed.data() + dot || dot == start) return {};
        parts.push_back(value);
        start = dot + 1;
    }
    ok = true;
    return parts;
}

}  // namespace

bool ParseKilobytes(const std::string& line, int& kilobytes) {
    std::string text = line;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    const char* begin = text.data() + start;
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
    bool candidateOk = false, currentOk = false;
    std::vector<long long> a = VersionParts(candidate, candidateOk);
    std::vector<long long> b = VersionParts(current, currentOk);
    comparable = candidateOk && currentOk;
    if (!comparable) return false;
    const std::size_t size = std::max(a.size(), b.size());
    a.resize(size, 0);
    b.resize(size, 0);
    return a > b;
}

DescriptionCheck CheckDescriptionFile(const std::string& path) {
    const AgentResultText description = ReadAgentResult(path);
    if (!description.read()) return DescriptionCheck::Unusable;
    const std::vector<std::string> lines = ResultLines(description.text);
    int kilobytes = 0;
    if (lines.size() < 4 || lines[0].find_first_not_of(" \t") == std::string::npos ||
        !ParseKilobytes(lines[3], kilobytes))
        return DescriptionCheck::Unusable;
    const std::size_t mark = FilePrefix.rfind('_');
    const std::string running = mark == std::string::npos ? std::string() : FilePrefix.substr(mark + 1);
    bool comparable = false;
    const bool newer = VersionIsNewer(lines[0], running, comparable);
    if (comparable && !newer) return DescriptionCheck::NotNewer;
    return DescriptionCheck::Newer;
}

}  // namespace kestrune
