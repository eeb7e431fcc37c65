#include "host/AboutPage.h"

#include <QFile>

#include "language/pack/LanguagePack.h"
#include "platform/AsciiText.h"

namespace kestrune {
namespace {

std::optional<std::optional<std::string>>& TestPage() {
    static std::optional<std::optional<std::string>> page;
    return page;
}

struct Part {
    std::map<std::string, std::string> headers;  // names in lower case, folded lines joined
    std::string body;
};

std::string Trimmed(std::string_view text) { return std::string(platform::AsciiTrimmed(text, " \t\r\n")); }

// Splits a header block from its body at the first empty line (CR LF or LF).
Part SplitPart(std::string_view text) {
    Part part;
    std::size_t pos = 0;
    std::string current;
    auto flush = [&] {
        const auto colon = current.find(':');
        if (colon != std::string::npos)
            part.headers[platform::AsciiLower(Trimmed(current.substr(0, colon)))] = Trimmed(current.substr(colon + 1));
        current.clear();
    };
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        if (line.empty()) {
            flush();
            part.body = std::string(text.substr(std::min(pos, text.size())));
            return part;
        }
        if ((line.front() == ' ' || line.front() == '\t') && !current.empty()) {
            current += ' ';
            current += Trimmed(line);
        } else {
            flush();
            current = std::string(line);
        }
    }
    flush();
    return part;
}

// The value of a parameter of a header ("boundary", "charset"), quotes removed.
std::string HeaderParameter(const std::string& header, std::string_view name) {
    const std::string lowered = platform::AsciiLower(header);
    std::size_t pos = 0;
    while ((pos = lowered.find(platform::AsciiLower(name), pos)) != std::string::npos) {
        const std::size_t after = pos + name.size();
        const bool startsWord =
            pos == 0 || lowered[pos - 1] == ';' || lowered[pos - 1] == ' ' || lowered[pos - 1] == '\t';
        if (startsWord && after < lowered.size() && lowered[after] == '=') {
            std::string value = header.substr(after + 1);
            if (!value.empty() && value.front() == '"') {
                const auto close = value.find('"', 1);
                return value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            }
            return Trimmed(value.substr(0, value.find(';')));
        }
        pos = after;
    }
    return {};
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r')) {  // soft line break
            i += (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n') ? 2 : 1;
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0) {
            out += '=';
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string DecodeBody(const Part& part) {
    const auto encoding = part.headers.find("content-transfer-encoding");
    const std::string name = encoding == part.headers.end() ? std::string() : platform::AsciiLower(encoding->second);
    if (name == "quoted-printable") return DecodeQuotedPrintable(part.body);
    if (name == "base64") {
        const QByteArray decoded = QByteArray::fromBase64(QByteArray::fromStdString(part.body));
        return decoded.toStdString();
    }
    return part.body;
}

QString DecodeHtml(const std::string& bytes, const std::string& charset) {
    if (platform::AsciiEqualsNoCase(charset, "windows-1251") || platform::AsciiEqualsNoCase(charset, "cp1251"))
        return QString::fromStdString(langpack::LegacyToUtf8(bytes, langpack::LegacyCodePage::Cp1251));
    if (platform::AsciiEqualsNoCase(charset, "utf-8") && langpack::IsValidUtf8(bytes))
        return QString::fromStdString(bytes);
    return QString::fromStdString(langpack::DecodePackText(bytes, langpack::LegacyCodePage::Cp1251));
}

}  // namespace

std::optional<AboutPageArchive> ParseAboutPage(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > kAboutPageLimit) return std::nullopt;
    AboutPageArchive archive;
    const Part top = SplitPart(bytes);
    const auto type = top.headers.find("content-type");
    const std::string boundary = type == top.headers.end() ? std::string() : HeaderParameter(type->second, "boundary");
    if (boundary.empty()) {
        // A plain HTML page without an archive around it.
        const std::string lowered = platform::AsciiLower(bytes);
        if (lowered.find("<html") == std::string::npos && lowered.find("<body") == std::string::npos)
            return std::nullopt;
        archive.html = DecodeHtml(bytes, {});
        return archive;
    }
    const std::string delimiter = "--" + boundary;
    std::size_t pos = top.body.find(delimiter);
    bool haveHtml = false;
    while (pos != std::string::npos) {
        std::size_t start = pos + delimiter.size();
        if (top.body.compare(start, 2, "--") == 0) break;  // the closing delimiter
        const std::size_t next = top.body.find(delimiter, start);
        std::string_view content(top.body);
        content = content.substr(start, next == std::string::npos ? std::string_view::npos : next - start);
        const auto lineEnd = content.find('\n');
        content.remove_prefix(lineEnd == std::string_view::npos ? content.size() : lineEnd + 1);
        const Part part = SplitPart(content);
        const auto partType = part.headers.find("content-type");
        const std::string partTypeText = partType == part.headers.end() ? std::string() : partType->second;
        if (!haveHtml && platform::AsciiLower(partTypeText).rfind("text/html", 0) == 0) {
            archive.html = DecodeHtml(DecodeBody(part), HeaderParameter(partTypeText, "charset"));
            haveHtml = true;
        } else if (const auto location = part.headers.find("content-location"); location != part.headers.end()) {
            archive.parts[QString::fromStdString(location->second)] = QByteArray::fromStdString(DecodeBody(part));
        }
        pos = next;
    }
    if (!haveHtml) return std::nullopt;
    return archive;
}

std::optional<std::string> StoredAboutPage() {
    if (TestPage()) return *TestPage();
    QFile file(QStringLiteral(":/about/About.mht"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll().toStdString();
}

void SetAboutPageForTesting(std::optional<std::string> bytes) { TestPage() = std::move(bytes); }

void ResetAboutPageForTesting() { TestPage().reset(); }

}  // namespace kestrune
