// Any bytes as a language pack: reading never fails hard and never leaves the text, every
// section found is read to its end, and the decoded text is always UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "language/pack/LanguagePack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrune::langpack;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte chooses the legacy code page, so that every table is fuzzed.
    static constexpr LegacyCodePage kPages[] = {LegacyCodePage::Cp1250, LegacyCodePage::Cp1251, LegacyCodePage::Cp1252,
                                                LegacyCodePage::Cp1253, LegacyCodePage::Cp1254};
    const LegacyCodePage page = kPages[size == 0 ? 0 : data[0] % 5];
    const std::string text = DecodePackText(bytes, page);
    if (!IsValidUtf8(text)) std::abort();
    const std::vector<std::string> lines = SplitLines(text);
    ReadPackHeader(lines);
    std::vector<std::string> body;
    Credits credits;
    AppendPackBody(lines, body, &credits);
    if (!body.empty() && !IsSectionHeader(body.front())) std::abort();

    for (std::size_t i = 0; i < body.size(); ++i) {
        if (!IsSectionHeader(body[i])) continue;
        const std::string name(SectionName(body[i]));
        const std::size_t first = FindNextSection(body, 0, name);
        if (first == 0 || first > i + 1) std::abort();
        const std::size_t last = FindSectionEnd(body, first);
        if (last + 1 < first || last >= body.size()) std::abort();
        for (const SectionEntry& entry : ReadSectionEntries(body, first, last)) {
            const std::string caption = ReplaceProductName(entry.values.empty() ? entry.name : entry.values.front());
            // A pattern taken from the pack, replaced by a text that holds it, must end.
            int count = 0;
            ReplaceAll(caption, entry.name, std::string(entry.name) + std::string(entry.name), &count);
        }
    }
    return 0;
}
