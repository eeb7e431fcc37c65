#include "tests/house/IncludeLayers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TestSupport.h"

namespace {

std::string Listing(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

// The program's own tree keeps the rules docs/architecture.md states.
TEST(IncludeLayers, TheTreeHasNoCircleAndNoIncludeAgainstTheLayers) {
    const house::IncludeFindings findings = house::FindIncludeFindings(testsupport::SourceDir());
    EXPECT_GT(findings.units, 50u) << "the units were not found below " << testsupport::SourceDir();
    EXPECT_TRUE(findings.circles.empty()) << "units that include each other in a circle:" << Listing(findings.circles);
    EXPECT_TRUE(findings.layerBreaks.empty()) << "includes against the layer order:" << Listing(findings.layerBreaks);
}

// A planted tree: a circle of two, one of three that passes through another folder, an upward
// include, and what must not count (a unit's header and source, a generated header, a system one).
TEST(IncludeLayers, FindsEveryCircleAndEveryUpwardInclude) {
    testsupport::ScratchFolder tree;
    const auto write = [&](const std::string& file, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(tree / file).parent_path());
        std::ofstream(tree / file) << text;
    };
    write("checks/AgentRun.h", "#pragma once\n");
    write("checks/AgentRun.cpp", "#include \"checks/AgentRun.h\"\n#include \"checks/AgentResults.h\"\n");
    write("checks/AgentResults.cpp", "  #  include \"checks/CallerIcon.h\"\n#include <string>\n");
    write("checks/CallerIcon.h", "#include \"checks/AgentRun.h\"\n#include \"ui_Form.h\"\n");
    write("errors/ErrorLog.cpp", "#include \"errors/MailMessage.h\"\n");
    write("errors/MailMessage.h", "#include \"errors/ErrorLog.h\"\n");
    write("foundation/Lower.cpp", "#include \"host/UnitMain.h\"\n#include \"foundation/core/Guard.h\"\n");
    write("foundation/core/Guard.h", "#include \"platform/FileSystem.h\"\n");
    write("platform/FileSystem.h", "#pragma once\n");
    write("host/UnitMain.h", "#include \"checks/AgentRun.h\"\n");
    write("agent/Pellmark.cpp", "#include \"checks/AgentResults.h\"\n");

    const house::IncludeFindings findings = house::FindIncludeFindings(tree.path());
    EXPECT_EQ(findings.circles,
              (std::vector<std::string>{
                  "checks/AgentResults -> checks/CallerIcon -> checks/AgentRun -> checks/AgentResults",
                  "errors/ErrorLog -> errors/MailMessage -> errors/ErrorLog",
              }));
    EXPECT_EQ(findings.layerBreaks, (std::vector<std::string>{
                                        "agent/Pellmark.cpp includes checks/AgentResults.h",
                                        "foundation/Lower.cpp includes host/UnitMain.h",
                                    }));
}

}  // namespace
