#pragma once
// Lines of a small text file as a text-file reader takes them: CR LF, LF and a bare CR each end
// a line; a line end at the very end of the text opens no further line.

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

std::vector<std::string> TextFileLines(std::string_view text);

}  // namespace kestrune
