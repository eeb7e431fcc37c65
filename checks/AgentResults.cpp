#include "checks/AgentResults.h"

#include <sys/stat.h>

#include "foundation/TextLines.h"
#include "language/pack/LanguagePack.h"
#include "platform/FileSystem.h"

namespace kestrune {

AgentResultText ReadAgentResult(const std::string& path, std::size_t limit) {
    AgentResultText result;
    if (!platform::FileAgeReadable(path)) return result;
    bool tooLarge = false;
    const auto bytes = platform::ReadRegularFileLimited(path, limit, &tooLarge);
    if (!bytes) {
        result.state = tooLarge ? ResultState::TooLarge : ResultState::Unreadable;
        return result;
    }
    std::string_view body(*bytes);
    if (body.size() >= 2 && body.substr(body.size() - 2) == "\r\n") body.remove_suffix(2);
    // The developer writes the descriptions in Russian and English: lines that are not UTF-8 are
    // in the Cyrillic code page.
    result.text = langpack::DecodePackText(body, langpack::LegacyCodePage::Cp1251);
    result.state = ResultState::Read;
    return result;
}

std::vector<std::string> ResultLines(const std::string& text) { return TextFileLines(text); }

bool ResultHasBody(const std::string& path) {
    struct stat st {};
    if (stat(platform::NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size > 2) return true;
    if (st.st_size == 0) return false;
    const auto bytes = platform::ReadRegularFileLimited(path, 2);
    return bytes && *bytes != "\r\n" && !bytes->empty();
}

bool AgentFlagPresent(const std::string& path) { return platform::FileAgeReadable(path); }

void RemoveAgentFile(const std::string& path) {
    if (platform::FileAgeReadable(path)) platform::RemoveFile(path);
}

}  // namespace kestrune
