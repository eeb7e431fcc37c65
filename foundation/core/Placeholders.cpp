#include "foundation/core/Placeholders.h"

namespace kestrune {

std::string FillPlaceholders(std::string_view text, const std::vector<std::string>& arguments,
                             std::string_view conversions, std::size_t* kept) {
    std::string result;
    std::size_t keptCount = 0;
    std::size_t next = 0;  // the argument that the next plain placeholder takes
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            if (text[i] == '%') ++keptCount;
            result += text[i];
            continue;
        }
        if (text[i + 1] == '%') {
            result += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        std::size_t index = next;
        if (j + 1 < text.size() && text[j] >= '0' && text[j] <= '9' && text[j + 1] == ':') {
            index = static_cast<std::size_t>(text[j] - '0');
            j += 2;
        }
        if (j < text.size() && conversions.find(text[j]) != std::string_view::npos && index < arguments.size()) {
            result += arguments[index];
            next = index + 1;
            i = j;
        } else {
            ++keptCount;
            result += text[i];
        }
    }
    if (kept) *kept = keptCount;
    return result;
}

}  // namespace kestrune
