#pragma once
// The report and review mail as an Internet message: headers that carry any text intact and a
// quoted-printable UTF-8 body. Nothing here touches the network.

#include <ctime>
#include <optional>
#include <string>

#include <string_view>
#include <vector>
#include "errors/MailNotes.h"

namespace kestrune {

struct MailMessage {
    std::string senderName;     // display name of From, e.g. ProductName + " " + VersionTag
    std::string senderAddress;  // address of the account in use
    std::string recipient;      // the one recipient
    std::string subject;
    std::vector<std::string> bodyLines;  // UTF-8 lines without line ends
};

// A bare address local@domain in printable ASCII with no blank, no angle bracket and no control
// character: the form that may stand in MAIL FROM, RCPT TO and an address header.
bool IsPlainMailAddress(std::string_view address);

// True when the text holds no control character (CR, LF, TAB, DEL and the rest of C0): a text
// that may go into a header without changing the header's structure.
bool IsSafeHeaderText(std::string_view text);

// Why a message cannot be sent safely (a note naming the account in use), or nullopt when every
// address and header value is sound.
std::optional<MailNoteId> CheckMessage(const MailMessage& message);

// The whole message with CR LF line ends: Date, Message-ID, MIME-Version, From, To, Subject,
// Content-Type and Content-Transfer-Encoding, then the body in quoted-printable. The date is
// written in local time with its offset. Expects a message that CheckMessage accepted.
std::string ComposeMessage(const MailMessage& message, std::time_t date, const std::string& messageIdLeft);

// A header value that is not plain printable ASCII as one or more RFC 2047 encoded words.
std::string EncodeHeaderWord(std::string_view text);

// Quoted-printable of body lines: every line ended by CR LF, no encoded line longer than 76.
std::string QuotedPrintable(const std::vector<std::string>& lines);

// A random text for the left part of a Message-ID.
std::string RandomMessageIdPart();

}  // namespace kestrune
