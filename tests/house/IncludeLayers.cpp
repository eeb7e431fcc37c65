#include "tests/house/IncludeLayers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace house {
namespace {

// What each folder may include besides itself, as docs/architecture.md draws the layers:
// platform -> foundation/core -> foundation -> language -> errors -> checks -> host, the language
// pack format on foundation/core, Pellmark on platform and foundation/core alone, and the
// program's built-in resources for the host.
const std::map<std::string, std::set<std::string>>& LayerRules() {
    static const std::map<std::string, std::set<std::string>> rules{
        {"platform", {}},
        {"foundation/core", {"platform"}},
        {"foundation", {"platform", "foundation/core"}},
        {"language/pack", {"platform", "foundation/core"}},
        {"language", {"platform", "foundation/core", "foundation", "language/pack"}},
        {"errors", {"platform", "foundation/core", "foundation", "language/pack", "language"}},
        {"checks", {"platform", "foundation/core", "foundation", "language/pack", "language", "errors"}},
        {"host",
         {"platform", "foundation/core", "foundation", "language/pack", "language", "errors", "checks", "resources"}},
        {"agent", {"platform", "foundation/core"}},
        {"resources", {}},
    };
    return rules;
}

std::string FolderOf(const std::string& unit) { return unit.substr(0, unit.rfind('/')); }

std::string UnitOf(const std::string& relativeFile) {
    for (const std::string ending : {".h.in", ".h", ".cpp"})
        if (relativeFile.size() > ending.size() && relativeFile.ends_with(ending))
            return relativeFile.substr(0, relativeFile.size() - ending.size());
    return {};
}

using Graph = std::map<std::string, std::set<std::string>>;

// The shortest way from a unit back to itself inside its strongly connected part.
std::string CircleThrough(const Graph& graph, const std::set<std::string>& part, const std::string& start) {
    std::map<std::string, std::string> cameFrom;
    std::vector<std::string> queue{start};
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const std::string unit = queue[i];
        for (const std::string& next : graph.at(unit)) {
            if (!part.count(next)) continue;
            if (next == start) {
                std::vector<std::string> path{start};
                for (std::string at = unit; at != start; at = cameFrom.at(at)) path.push_back(at);
                path.push_back(start);
                std::reverse(path.begin() + 1, path.end() - 1);
                std::string text;
                for (const std::string& step : path) text += (text.empty() ? "" : " -> ") + step;
                return text;
            }
            if (!cameFrom.count(next)) {
                cameFrom[next] = unit;
                queue.push_back(next);
            }
        }
    }
    return start;
}

// Tarjan's strongly connected parts, written without recursion; every part of more than one unit
// holds at least one circle, and each is named by its shortest circle through its first unit.
std::vector<std::string> Circles(const Graph& graph) {
    std::map<std::string, int> index, low;
    std::set<std::string> onStack;
    std::vector<std::string> stack;
    std::vector<std::string> circles;
    int counter = 0;
    for (const auto& [root, ignored] : graph) {
        if (index.count(root)) continue;
        struct Frame {
            std::string unit;
            std::set<std::string>::const_iterator next;
        };
        std::vector<Frame> frames{{root, graph.at(root).begin()}};
        index[root] = low[root] = counter++;
        stack.push_back(root);
        onStack.insert(root);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const std::set<std::string>& targets = graph.at(frame.unit);
            if (frame.next != targets.end()) {
                const std::string target = *frame.next++;
                if (!index.count(target)) {
                    index[target] = low[target] = counter++;
                    stack.push_back(target);
                    onStack.insert(target);
                    frames.push_back({target, graph.at(target).begin()});
                } else if (onStack.count(target)) {
                    low[frame.unit] = std::min(low[frame.unit], index[target]);
                }
                continue;
            }
            const std::string unit = frame.unit;
            frames.pop_back();
            if (!frames.empty()) low[frames.back().unit] = std::min(low[frames.back().unit], low[unit]);
            if (low[unit] != index[unit]) continue;
            std::set<std::string> part;
            std::string member;
            do {
                member = stack.back();
                stack.pop_back();
                onStack.erase(member);
                part.insert(member);
            } while (member != unit);
            if (part.size() > 1) circles.push_back(CircleThrough(graph, part, *part.begin()));
        }
    }
    std::sort(circles.begin(), circles.end());
    return circles;
}

}  // namespace

IncludeFindings FindIncludeFindings(const std::string& root) {
    static const std::regex includeLine(R"(^\s*#\s*include\s+"([^"/]+(?:/[^"/]+)*/[^"/]+)\.h")");
    Graph graph;
    std::set<std::string> layerBreaks;
    for (const auto& [folder, ignored] : LayerRules()) {
        const fs::path dir = fs::path(root) / folder;
        if (!fs::is_directory(dir)) continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            const std::string relative = folder + "/" + entry.path().filename().string();
            const std::string unit = UnitOf(relative);
            if (unit.empty()) continue;
            graph[unit];
            std::ifstream in(entry.path());
            std::string line;
            std::smatch match;
            while (std::getline(in, line)) {
                if (!std::regex_search(line, match, includeLine)) continue;
                const std::string target = match[1];
                if (target == unit) continue;
                graph[unit].insert(target);
                const std::string targetFolder = FolderOf(target);
                const auto& allowed = LayerRules().find(folder)->second;
                if (targetFolder != folder && !allowed.count(targetFolder))
                    layerBreaks.insert(relative + " includes " + target + ".h");
            }
        }
    }
    // Includes of headers that are no unit of the tree (tests, generated files) lead nowhere.
    for (auto& [unit, targets] : graph)
        std::erase_if(targets, [&](const std::string& target) { return !graph.count(target); });
    IncludeFindings findings;
    findings.units = graph.size();
    findings.circles = Circles(graph);
    findings.layerBreaks.assign(layerBreaks.begin(), layerBreaks.end());
    return findings;
}

}  // namespace house
