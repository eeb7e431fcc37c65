#pragma once
// The bodies of the report and review mails, line by line, as the Send buttons assemble them in
// the error window's hidden memo and SendMail closes them. Pure functions over texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

enum class MailKind { Report = 0, Review = 1 };

inline constexpr std::string_view kMailRule = "=================================================";  // 49 "="
// A calling program's log of this size or more is left out of the report.
inline constexpr std::uintmax_t kCallerLogSizeLimit = 102400;

// The rows of the error log entry that the mails repeat.
struct MailSystemRows {
    std::string dateTime;           // "08/12/2026 [23:46:16]"
    std::vector<std::string> info;  // "Program = ...", "WinVersion = ...", "User = ...", "PC = ...", "PC SysInfo:..."
    std::string programWorked;      // "Program worked = ..."
    std::string trailer;            // 49 "=" followed by the settings listing
};

// A text as lines, the way a memo loads a file: CR LF, LF and CR each end a line, and a line
// break at the very end starts no further line.
std::vector<std::string> LinesOf(std::string_view text);

// Report outside reporter mode: the whole error log, when there is one.
std::vector<std::string> ReportBody(const std::optional<std::string>& errorLog);

// Report in reporter mode: the calling program's log (when it was read), then the header block.
std::vector<std::string> ReporterBody(const std::optional<std::string>& callerLog, const MailSystemRows& rows);

// Review: the error log when one exists and an error occurred; nothing when a log exists and no
// error occurred; otherwise the review header block.
std::vector<std::string> ReviewBody(const std::optional<std::string>& errorLog, bool errorOccurred,
                                    const std::string& errorDump, const MailSystemRows& rows);

// The body with the closing block: the rule, "NickName: ", "E-Mail: ", for the report an empty
// line, "Text: " and the lines of the user's text.
std::vector<std::string> WithClosingBlock(std::vector<std::string> body, MailKind kind, const std::string& nickName,
                                          const std::string& mail, const std::string& text);

// The calling program's log when it is a regular file smaller than kCallerLogSizeLimit.
std::optional<std::string> ReadCallerLog(const std::string& path);

}  // namespace kestrune
