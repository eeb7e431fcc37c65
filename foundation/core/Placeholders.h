#pragma once
// Filling "%s"-style placeholders of a text that may come from a language pack or a settings
// file. The text is never handed to printf: an unknown or surplus placeholder stays as it stands.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// The one filler of the program's texts. Each "%c" whose c is one of conversions, and each
// indexed "%N:c" (N a digit), takes the next (or the Nth) argument; "%%" is one "%". A
// placeholder with no argument left, or any other "%" (one at the end included), is kept as it
// is. kept, when given, receives how many were kept: a caller that takes only a wholly filled
// text refuses one with kept above 0.
std::string FillPlaceholders(std::string_view text, const std::vector<std::string>& arguments,
                             std::string_view conversions = "sd", std::size_t* kept = nullptr);

}  // namespace kestrune
