#pragma once
// What the failure box of a mail names: one note for each account that could not be used or
// failed, and for the other reasons a mail was not sent. Each note is a text of the program's
// own with "%s" where names and values stand as written (sections, keys, hosts, paths, values);
// the error window shows it in its own language, stderr in English.

#include <string>
#include <vector>

namespace kestrune {

// In the order of the window's lines of these texts; a new text is added at the end.
enum class MailNoteId {
    NotConfigured,           // section
    HostMissing,             // section
    HostNotAName,            // section, value
    PortNotANumber,          // section, value
    SenderMissing,           // section
    SenderNotAnAddress,      // section, value
    UserControl,             // section
    PasswordControl,         // section
    NoSettingsFile,          // path
    CaBundleUnreadable,      // value
    ProgramNameUnsafe,       //
    RecipientUnsafe,         //
    MessageSenderUnsafe,     // section
    MessageRecipientUnsafe,  // section
    MessageNameUnsafe,       // section
    MessageSubjectUnsafe,    // section
    AccountUnusable,         // section, host:port
    ConnectFailed,           // section, host:port
    TlsFailed,               // section, host:port
    LoginRefused,            // section, host:port
    RecipientRefused,        // section, host:port
    SendRefused,             // section, host:port
    TimedOut,                // section, host:port
    NoMailLibrary,           // section, host:port
    AccountFailed,           // section, host:port
    ErrorLogUnreadable,      //
};

struct MailNote {
    MailNoteId id = MailNoteId::AccountFailed;
    std::vector<std::string> values;
    bool operator==(const MailNote&) const = default;
};

// The note in one of the window's texts (indexed by the note's id); the English text where the
// window has none for it. Values are put in as they stand, never read as formats.
std::string MailNoteText(const MailNote& note, const std::vector<std::string>& texts = {});
// The notes one per line.
std::string MailNotesText(const std::vector<MailNote>& notes, const std::vector<std::string>& texts = {});

}  // namespace kestrune
