#include "errors/MailBody.h"

#include "errors/LogRead.h"

namespace kestrune {

namespace {

// One entry of the memo's lines: an entry with line breaks of its own becomes several lines.
void AddEntry(std::vector<std::string>& lines, std::string_view entry) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] != '\r' && entry[i] != '\n') continue;
        lines.emplace_back(entry.substr(start, i - start));
        if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.emplace_back(entry.substr(start));
}

void AddHeaderRows(std::vector<std::string>& lines, std::string_view title, const MailSystemRows& rows) {
    lines.emplace_back(kMailRule);
    lines.emplace_back(title);
    AddEntry(lines, rows.dateTime);
    for (const std::string& row : rows.info) AddEntry(lines, row);
}

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    AddEntry(lines, text);
    if (text.back() == '\n' || text.back() == '\r') lines.pop_back();
    return lines;
}

std::vector<std::string> ReportBody(const std::optional<std::string>& errorLog) {
    return errorLog ? LinesOf(*errorLog) : std::vector<std::string>{};
}

std::vector<std::string> ReporterBody(const std::optional<std::string>& callerLog, const MailSystemRows& rows) {
    std::vector<std::string> lines;
    if (callerLog) lines = LinesOf(*callerLog);
    AddHeaderRows(lines, "Error log", rows);
    return lines;
}

std::vector<std::string> ReviewBody(const std::optional<std::string>& errorLog, bool errorOccurred,
                                    const std::string& errorDump, const MailSystemRows& rows) {
    std::vector<std::string> lines;
    if (errorLog) {
        if (errorOccurred) lines = LinesOf(*errorLog);
        return lines;
    }
    AddHeaderRows(lines, "REVIEW", rows);
    if (errorOccurred) AddEntry(lines, rows.programWorked);
    if (!errorDump.empty()) {
        lines.emplace_back(kMailRule);
        AddEntry(lines, "Dump = \"" + errorDump + "\"");
    }
    if (errorOccurred) AddEntry(lines, rows.trailer);
    return lines;
}

std::vector<std::string> WithClosingBlock(std::vector<std::string> body, MailKind kind, const std::string& nickName,
                                          const std::string& mail, const std::string& text) {
    body.emplace_back(kMailRule);
    AddEntry(body, "NickName: " + nickName);
    AddEntry(body, "E-Mail: " + mail);
    if (kind == MailKind::Report) body.emplace_back();
    body.emplace_back("Text: ");
    Append(body, LinesOf(text));
    return body;
}

std::optional<std::string> ReadCallerLog(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // Only a regular file: a pipe or device named here would block the window or never end.
    LogRead log = ReadLogFile(path, kCallerLogSizeLimit - 1);
    if (log.status != LogRead::Status::Read || !log.complete) return std::nullopt;
    return std::move(log.bytes);
}

}  // namespace kestrune
