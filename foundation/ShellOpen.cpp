#include "foundation/ShellOpen.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <regex>
#include <utility>

#include "platform/AsciiText.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

ShellOpenHandler& Handler() {
    static ShellOpenHandler handler;
    return handler;
}

bool HasControlOrSpace(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f) return true;
    }
    return false;
}

std::string StartsWithScheme(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    std::string scheme = platform::AsciiLower(std::string_view(text).substr(0, colon));
    for (const char c : scheme)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return {};
    return scheme;
}

// A file of the program folder, with links resolved on both sides. A file that is not there
// (yet) is judged by the folder that would hold it, so that the desktop can say it is missing.
std::string ProgramFolderFileUrl(const std::string& path) {
    const QFileInfo file(QString::fromStdString(platform::NativePath(path)));
    QString canonical;
    if (file.exists()) {
        if (!file.isFile()) return {};
        canonical = file.canonicalFilePath();
    } else {
        QString rest;
        QString existing = QDir::cleanPath(file.absoluteFilePath());
        while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
            const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
            if (slash < 0) return {};
            rest = existing.mid(slash) + rest;
            existing = existing.left(slash);
        }
        const QString base = QFileInfo(existing).canonicalFilePath();
        if (base.isEmpty() || !QFileInfo(existing).isDir()) return {};
        canonical = base + rest;
    }
    const QString folder = QFileInfo(QString::fromStdString(platform::ExecutableFolder())).canonicalFilePath();
    if (canonical.isEmpty() || folder.isEmpty() || !canonical.startsWith(folder + "/")) return {};
    return QUrl::fromLocalFile(canonical).toString(QUrl::FullyEncoded).toStdString();
}

std::string Decoded(const std::string& encoded) {
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString();
}

bool NamesAnAttachment(const std::string& key) {
    const std::string name = platform::AsciiLower(Decoded(key));
    const std::string_view trimmed = platform::AsciiTrimmed(name, platform::kAsciiSpaces);
    return trimmed == "attach" || trimmed == "attachment";
}

// A mail link as the mail program may receive it: without the keys that would attach a file
// ("attach", "attachment", in any case, also percent-encoded), the rest as written. Empty when the
// link still names an attachment in another form (an encoded "&" or "?" before it, for example).
std::string WithoutAttachments(const std::string& link) {
    std::string result = link;
    if (const auto question = link.find('?'); question != std::string::npos) {
        const auto hash = link.find('#', question);
        const std::string query =
            link.substr(question + 1, hash == std::string::npos ? std::string::npos : hash - question - 1);
        std::string kept;
        for (std::size_t start = 0; start <= query.size();) {
            const auto end = std::min(query.find('&', start), query.size());
            const std::string pair = query.substr(start, end - start);
            if (!pair.empty() && !NamesAnAttachment(pair.substr(0, pair.find('='))))
                kept += (kept.empty() ? "" : "&") + pair;
            start = end + 1;
        }
        result = link.substr(0, question);
        if (!kept.empty()) result += "?" + kept;
        if (hash != std::string::npos) result += link.substr(hash);
    }
    static const std::regex attachment("attach(ment)?[\\x00-\\x20]*=");
    if (std::regex_search(platform::AsciiLower(Decoded(result)), attachment)) return {};
    return result;
}

// The rules for a target: web and mail addresses always, files of the program folder when asked.
std::string OpenableUrl(const std::string& target, bool programFiles) {
    if (target.empty()) return {};
    const std::string scheme = StartsWithScheme(target);
    // "C:\..." style or plain paths have no scheme of their own (a drive letter is one letter).
    if (scheme.size() > 1) {
        if (HasControlOrSpace(target)) return {};
        const QUrl url(QString::fromStdString(target), QUrl::StrictMode);
        if (!url.isValid()) return {};
        if ((scheme == "http" || scheme == "https") && !url.host().isEmpty())
            return url.toString(QUrl::FullyEncoded).toStdString();
        if (scheme == "mailto" && !url.path().isEmpty() && url.host().isEmpty())
            return WithoutAttachments(url.toString(QUrl::FullyEncoded).toStdString());
        if (programFiles && scheme == "file" && url.isLocalFile())
            return ProgramFolderFileUrl(url.toLocalFile().toStdString());
        return {};
    }
    return programFiles ? ProgramFolderFileUrl(target) : std::string();
}

bool HandOver(const std::string& url, int showCommand) {
    if (url.empty()) return false;
    if (Handler()) {
        Handler()(url, showCommand);
        return true;
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(url)});
}

}  // namespace

std::string ShellOpenUrl(const std::string& target) { return OpenableUrl(target, true); }

std::string PageLinkUrl(const std::string& target) { return OpenableUrl(target, false); }

bool ShellOpen(const std::string& target, int showCommand) { return HandOver(ShellOpenUrl(target), showCommand); }

bool OpenPageLink(const std::string& target) { return HandOver(PageLinkUrl(target), 0); }

ShellOpenHandler SetShellOpenHandlerForTesting(ShellOpenHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

}  // namespace kestrune
