#include "errors/MailNotes.h"

#include <array>

#include "foundation/core/Placeholders.h"

namespace kestrune {
namespace {

// The English texts, in the order of MailNoteId.
constexpr std::array kEnglish{
    "%s is not configured (no Host, User or Sender)",
    "%s Host: missing",
    "%s Host: %s is not a host name or IPv4 address",
    "%s Port: %s is not a number from 1 to 65535",
    "%s Sender: missing",
    "%s Sender: %s is not a plain mail address",
    "%s User: holds a control character",
    "%s Password: holds a control character",
    "no readable mail settings file %s",
    "[TLS] CABundle: %s is no readable file",
    "the program name cannot be put into a mail header",
    "the recipient is not a plain mail address",
    "%s sender address is not a plain mail address",
    "%s recipient is not a plain mail address",
    "%s sender name holds a control character",
    "%s subject holds a control character",
    "%s %s: unusable",
    "%s %s: connect failed",
    "%s %s: TLS failed",
    "%s %s: login refused",
    "%s %s: recipient refused",
    "%s %s: send refused",
    "%s %s: timed out",
    "%s %s: the mail library could not be loaded",
    "%s %s: failed",
    "Error.Log: no file that can be read",
};
static_assert(kEnglish.size() == static_cast<std::size_t>(MailNoteId::ErrorLogUnreadable) + 1);

}  // namespace

std::string MailNoteText(const MailNote& note, const std::vector<std::string>& texts) {
    const auto index = static_cast<std::size_t>(note.id);
    if (index >= kEnglish.size()) return {};
    const std::string& own = index < texts.size() ? texts[index] : std::string();
    return FillPlaceholders(own.empty() ? kEnglish[index] : own, note.values, "s");
}

std::string MailNotesText(const std::vector<MailNote>& notes, const std::vector<std::string>& texts) {
    std::string text;
    for (const MailNote& note : notes) {
        if (!text.empty()) text += "\n";
        text += MailNoteText(note, texts);
    }
    return text;
}

}  // namespace kestrune
