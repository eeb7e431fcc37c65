#include "checks/AgentResults.h"

#include <QStringDecoder>

#include "foundation/TextLines.h"
#include "language/pack/LanguagePack.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

enum class Utf16 { No, Decoded, Broken };

// A body that begins with a UTF-16 byte-order mark goes into text as UTF-8, without the mark.
Utf16 Utf16Text(std::string_view body, std::string& text) {
    const bool little = body.starts_with("\xff\xfe");
    if (!little && !body.starts_with("\xfe\xff")) return Utf16::No;
    body.remove_prefix(2);
    if (body.size() % 2 != 0) return Utf16::Broken;
    QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    const QString decoded = decoder.decode(QByteArrayView(body.data(), static_cast<qsizetype>(body.size())));
    if (decoder.hasError()) return Utf16::Broken;
    text = decoded.toStdString();
    return Utf16::Decoded;
}

}  // namespace

AgentResultText ReadAgentResult(const std::string& path, std::size_t limit) {
    AgentResultText result;
    if (!platform::FileAgeReadable(path)) return result;
    bool tooLarge = false;
    // Room for the closing CR LF: the limit counts the body.
    const auto bytes = platform::ReadRegularFileLimited(path, limit + 2, &tooLarge);
    if (!bytes) {
        result.state = tooLarge ? ResultState::TooLarge : ResultState::Unreadable;
        return result;
    }
    std::string_view body(*bytes);
    const bool whole = body.ends_with("\r\n");
    if (whole) body.remove_suffix(2);
    if (body.size() > limit) {
        result.state = ResultState::TooLarge;
        return result;
    }
    if (!whole) {
        result.state = ResultState::Cut;
        return result;
    }
    const Utf16 utf16 = Utf16Text(body, result.text);
    if (utf16 == Utf16::Broken) {
        result.state = ResultState::Unreadable;
        return result;
    }
    // The developer writes the descriptions in Russian and English: lines that are not UTF-8 are
    // in the Cyrillic code page.
    if (utf16 == Utf16::No) result.text = langpack::DecodePackText(body, langpack::LegacyCodePage::Cp1251);
    result.state = ResultState::Read;
    return result;
}

std::vector<std::string> ResultLines(const std::string& text) { return TextFileLines(text); }

bool ResultHasBody(const std::string& path) {
    // Only the end is read: the closing CR LF that a whole result has.
    return platform::ReadRegularFileEnd(path, 2) == "\r\n";
}

bool AgentFlagPresent(const std::string& path) { return platform::FileAgeReadable(path); }

void RemoveAgentFile(const std::string& path) { platform::RemoveFileIfPresent(path); }

}  // namespace kestrune
