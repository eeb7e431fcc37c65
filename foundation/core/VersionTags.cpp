#include "foundation/core/VersionTags.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/AsciiText.h"

namespace kestrune {
namespace {

std::string WithoutLeadingV(const std::string& text) {
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) return text.substr(1);
    return text;
}

std::vector<std::string> Parts(const std::string& text) {
    std::vector<std::string> list;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find_first_of("._", start);
        list.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return list;
        start = dot + 1;
    }
}

// The number that opens a part, without its leading zeros, and the rest of the part.
std::pair<std::string, std::string> NumberAndRest(const std::string& part) {
    std::size_t n = 0;
    while (n < part.size() && part[n] >= '0' && part[n] <= '9') ++n;
    std::string number = part.substr(0, n);
    number.erase(0, std::min(number.find_first_not_of('0'), number.size()));
    return {number, part.substr(n)};
}

}  // namespace

int CompareVersionTags(const std::string& a, const std::string& b) {
    if (a == b) return 0;
    const auto left = Parts(WithoutLeadingV(a)), right = Parts(WithoutLeadingV(b));
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const auto [xNumber, xRest] = NumberAndRest(i < left.size() ? left[i] : std::string());
        const auto [yNumber, yRest] = NumberAndRest(i < right.size() ? right[i] : std::string());
        // Without leading zeros, the longer number is the larger one.
        if (xNumber.size() != yNumber.size()) return xNumber.size() < yNumber.size() ? -1 : 1;
        if (xNumber != yNumber) return xNumber < yNumber ? -1 : 1;
        const std::string xText = platform::AsciiLower(xRest), yText = platform::AsciiLower(yRest);
        if (xText != yText) return xText < yText ? -1 : 1;
    }
    return 0;
}

bool IsOrderableVersionTag(const std::string& text) {
    const std::string tag = WithoutLeadingV(text);
    if (tag.empty() || tag.front() < '0' || tag.front() > '9') return false;
    return std::none_of(tag.begin(), tag.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7f'; });
}

}  // namespace kestrune
