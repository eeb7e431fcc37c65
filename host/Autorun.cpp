#include "host/Autorun.h"

#include <QLabel>
#include <QString>
#include <stdexcept>

#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/MiniReg.h"
#include "foundation/core/Product.h"
#include "host/IncludeModules.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"
#include "platform/UserFolders.h"

namespace kestrune {

// The autostart value and the desktop entry keep their names whatever the product comes to be
// called: every later version must find the ones an earlier one wrote.
const char* const kAutorunValuePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\KV.Kestrune";

namespace {

using platform::RegistryRoot;

constexpr const char* kEntryName = "KV.Kestrune.desktop";

bool EntryExists(RegistryRoot root) { return platform::FileAgeReadable(AutostartEntryPath(root)); }

bool AutostartExists(RegistryRoot root) { return RegValueExists(root, kAutorunValuePath) || EntryExists(root); }

// The value names the program and the entry (a file of its own, no link) holds the text for it.
bool AutostartStands(RegistryRoot root, const std::string& program, const std::string& entry) {
    std::string data;
    std::uint32_t size = 0;
    if (!RegReadValue(root, kAutorunValuePath, REG_SZ, data, size) || data != program + '\0') return false;
    const platform::RegularFileRead stored =
        platform::ReadRegularFile(AutostartEntryPath(root), entry.size(), platform::Links::Refuse);
    return stored.status == platform::RegularFileRead::Status::Read && stored.complete && stored.bytes == entry;
}

// The value and its entry go together: a value whose entry cannot be written is taken back, so
// that neither is left standing for a start that would not happen. Both are written only when
// they do not stand as they should already: a start applies the mode more than once.
bool WriteAutostart(RegistryRoot root) {
    const std::string program = platform::ExecutablePath();
    const auto entry = AutostartEntryText(program);
    if (entry && AutostartStands(root, program, *entry)) return true;
    if (!RegWriteString(root, kAutorunValuePath, program)) return false;
    const std::string path = AutostartEntryPath(root);
    const std::string folder = path.substr(0, path.rfind('/'));
    if (entry && platform::CreateDirectories(folder) && platform::WriteFileAtomicInSharedFolder(path, *entry))
        return true;
    RegDeleteValue(root, kAutorunValuePath);
    return false;
}

void DeleteAutostart(RegistryRoot root) {
    if (RegValueExists(root, kAutorunValuePath)) RegDeleteValue(root, kAutorunValuePath);
    if (EntryExists(root)) platform::RemoveFile(AutostartEntryPath(root));
}

// The warning's texts live on the carrier frame's Label1, translated with it; the design texts
// stand in while the frame carries no such label.
void ShowFallbackWarning() {
    QString caption = QString::fromUtf8("Предупреждение...");
    QString text = QString::fromUtf8(
        "Вам запрещен доступ к общим разделам реестра, автозагрузка при старте включена только для этого "
        "пользователя.");
    QWidget* frame = IncludePanel ? IncludePanel->findChild<QWidget*>("FrameUProcedures1") : nullptr;
    if (auto* label = frame ? frame->findChild<QLabel*>("Label1") : nullptr) {
        caption = label->text();
        text = label->toolTip();
    }
    ShowMessageBox(HostForm.data(), text.toStdString(), caption.toStdString(), "Warning", kMbSystemModal);
}

bool IsRepresentableUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8() ==
           QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string AutostartEntryPath(RegistryRoot root) {
    const std::string config =
        root == RegistryRoot::LocalMachine ? platform::SystemConfigFolder() : platform::ApplicationDataFolder();
    return config + "/autostart/" + kEntryName;
}

std::optional<std::string> DesktopExecArgument(const std::string& programPath) {
    if (!IsRepresentableUtf8(programPath)) return std::nullopt;
    // Quoting first: inside double quotes, " ` $ and \ take a backslash; a literal % is "%%".
    std::string quoted = "\"";
    for (const char c : programPath) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f) return std::nullopt;
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    quoted += '"';
    // Then the escapes of every string value, which a reader undoes before it splits the line.
    std::string value;
    for (const char c : quoted) {
        switch (c) {
            case '\\': value += "\\\\"; break;
            case '\n': value += "\\n"; break;
            case '\t': value += "\\t"; break;
            case '\r': value += "\\r"; break;
            default: value += c;
        }
    }
    return value;
}

std::optional<std::string> AutostartEntryText(const std::string& programPath) {
    const auto exec = DesktopExecArgument(programPath);
    if (!exec) return std::nullopt;
    return std::string("[Desktop Entry]\nType=Application\nName=") + kProductName + "\nExec=" + *exec +
           "\nTerminal=false\n";
}

void ApplyAutorunMode() {
    Guard("UIF.015-02", [&] {
        const int mode = AutorunMode;
        if (mode < 0 || mode > 2) return;
        bool fallBack = false;
        try {
            if (mode == 0) {
                if (AutostartExists(RegistryRoot::LocalMachine)) DeleteAutostart(RegistryRoot::LocalMachine);
                if (AutostartExists(RegistryRoot::CurrentUser)) DeleteAutostart(RegistryRoot::CurrentUser);
            } else if (mode == 1) {
                fallBack = !WriteAutostart(RegistryRoot::LocalMachine);
                if (!fallBack && AutostartExists(RegistryRoot::CurrentUser)) DeleteAutostart(RegistryRoot::CurrentUser);
            } else {
                WriteAutostart(RegistryRoot::CurrentUser);
                if (AutostartExists(RegistryRoot::LocalMachine)) DeleteAutostart(RegistryRoot::LocalMachine);
            }
        } catch (...) {
            // The first failure is not reported: the fallback below (or the retry) answers it.
            if (mode == 0) {
                if (AutostartExists(RegistryRoot::CurrentUser)) DeleteAutostart(RegistryRoot::CurrentUser);
                return;
            }
            fallBack = true;
        }
        if (!fallBack) return;
        // The box says that autostart is on for this user; it is shown only when that is so.
        if (!WriteAutostart(RegistryRoot::CurrentUser))
            throw std::runtime_error("the autostart value could not be written for this user either");
        AutorunMode = 2;
        ShowFallbackWarning();
    });
}

}  // namespace kestrune
