#include "errors/MailSettings.h"

#include <algorithm>
#include <charconv>

#include "errors/MailMessage.h"
#include "foundation/core/Printable.h"
#include "platform/AsciiText.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

namespace {

constexpr std::size_t kMailSettingsLimit = 64 * 1024;  // two accounts and a few options

std::string_view Trim(std::string_view text) { return platform::AsciiTrimmed(text, platform::kAsciiSpaces); }

// The value of a line: blanks around it removed, and a comment that a blank introduces cut off.
std::string_view ValueOf(std::string_view text) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        if ((text[i] == ';' || text[i] == '#') && (text[i - 1] == ' ' || text[i - 1] == '\t')) {
            text = text.substr(0, i);
            break;
        }
    }
    return Trim(text);
}

// A value of the file as the failure box and stderr show it: a control character as \xNN.
std::string Quoted(const std::string& value) { return "\"" + Printable(value) + "\""; }

void SetProblem(MailAccount& account, MailNote note) {
    account.problem = MailNoteText(note);
    account.note = std::move(note);
}

void CheckAccount(MailAccount& account, const std::string& section, const std::string& portText, bool portValid) {
    const std::string where = "[" + section + "]";
    if (account.host.empty() && account.sender.empty() && account.user.empty())
        SetProblem(account, {MailNoteId::NotConfigured, {where}});
    else if (account.host.empty()) SetProblem(account, {MailNoteId::HostMissing, {where}});
    else if (!IsPlainHostName(account.host))
        SetProblem(account, {MailNoteId::HostNotAName, {where, Quoted(account.host)}});
    else if (!portValid) SetProblem(account, {MailNoteId::PortNotANumber, {where, Quoted(portText)}});
    else if (account.sender.empty()) SetProblem(account, {MailNoteId::SenderMissing, {where}});
    else if (!IsPlainMailAddress(account.sender))
        SetProblem(account, {MailNoteId::SenderNotAnAddress, {where, Quoted(account.sender)}});
    else if (!IsSafeHeaderText(account.user)) SetProblem(account, {MailNoteId::UserControl, {where}});
    else if (!IsSafeHeaderText(account.password)) SetProblem(account, {MailNoteId::PasswordControl, {where}});
}

}  // namespace

bool IsPlainHostName(std::string_view host) {
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-') return false;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return platform::AsciiIsAlnum(c) || c == '.' || c == '-'; });
}

std::string MailSettingsPath() { return platform::ExecutableFolder() + "\\Resource\\Mail.ini"; }

MailSettings ParseMailSettings(std::string_view text) {
    // An editor that saves UTF-8 may put a byte-order mark before the first section.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    MailSettings settings;
    std::array<bool, 2> portValid{true, true};
    std::array<std::string, 2> portText;
    int account = -1;  // -1: no account section, 2: the TLS section, 3: any other section
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string section = platform::AsciiLower(
                Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
            account = section == "account1" ? 0 : section == "account2" ? 1 : section == "tls" ? 2 : 3;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || account < 0) continue;
        const std::string key = platform::AsciiLower(Trim(line.substr(0, eq)));
        const std::string value(ValueOf(line.substr(eq + 1)));
        if (account == 2) {
            if (key == "cabundle") settings.caBundle = value;
            continue;
        }
        if (account > 1) continue;
        MailAccount& target = settings.accounts[account];
        if (key == "host") target.host = value;
        else if (key == "user") target.user = value;
        else if (key == "password") target.password = value;
        else if (key == "sender") target.sender = value;
        else if (key == "port") {
            int port = 0;
            portText[account] = value;
            const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            portValid[account] = ec == std::errc() && ptr == value.data() + value.size() && port >= 1 && port <= 65535;
            target.port = portValid[account] ? port : 0;
        }
    }
    for (int i = 0; i < 2; ++i)
        CheckAccount(settings.accounts[i], "Account" + std::to_string(i + 1), portText[i], portValid[i]);
    return settings;
}

MailSettings LoadMailSettings(const std::string& path) {
    const auto text = platform::ReadRegularFileLimited(path, kMailSettingsLimit);
    if (!text) {
        MailSettings missing;
        const std::string shown = platform::NativePath(path);
        for (auto& account : missing.accounts)
            SetProblem(account, {MailNoteId::NoSettingsFile, {Printable(shown, shown.size())}});
        return missing;
    }
    MailSettings settings = ParseMailSettings(*text);
    if (!settings.caBundle.empty() && !platform::IsRegularFile(settings.caBundle)) {
        for (auto& account : settings.accounts)
            if (account.usable()) SetProblem(account, {MailNoteId::CaBundleUnreadable, {Quoted(settings.caBundle)}});
    }
    return settings;
}

}  // namespace kestrune
