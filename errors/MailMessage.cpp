#include "errors/MailMessage.h"

#include <array>
#include <cstdio>
#include <random>

namespace kestrune {

namespace {

bool IsPrintableAscii(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

bool IsPlainAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

std::string Base64(std::string_view bytes) {
    static const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Length of the UTF-8 sequence that begins with this byte (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// A display name as a quoted string, or as encoded words when it is not plain ASCII.
std::string DisplayName(std::string_view name) {
    if (!IsPlainAscii(name)) return EncodeHeaderWord(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string DateHeader(std::time_t date) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&date, &local);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absOffset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday % 7],
                  local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, offsetMinutes < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
    return text;
}

std::string DomainOf(std::string_view address) {
    const auto at = address.rfind('@');
    return at == std::string_view::npos ? std::string("localhost") : std::string(address.substr(at + 1));
}

}  // namespace

bool IsSafeHeaderText(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

bool IsPlainMailAddress(std::string_view address) {
    const auto at = address.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
    if (address.find('@', at + 1) != std::string_view::npos) return false;
    if (address.size() > 254) return false;
    for (unsigned char c : address) {
        if (!IsPrintableAscii(c)) return false;  // blanks, controls and 8-bit bytes
        switch (c) {
            case '<':
            case '>':
            case '(':
            case ')':
            case '[':
            case ']':
            case ',':
            case ';':
            case ':':
            case '"':
            case '\\': return false;
            default: break;
        }
    }
    const std::string_view domain = address.substr(at + 1);
    return domain.front() != '.' && domain.back() != '.' && domain.find("..") == std::string_view::npos;
}

std::optional<MailNoteId> CheckMessage(const MailMessage& message) {
    if (!IsPlainMailAddress(message.senderAddress)) return MailNoteId::MessageSenderUnsafe;
    if (!IsPlainMailAddress(message.recipient)) return MailNoteId::MessageRecipientUnsafe;
    if (!IsSafeHeaderText(message.senderName)) return MailNoteId::MessageNameUnsafe;
    if (!IsSafeHeaderText(message.subject)) return MailNoteId::MessageSubjectUnsafe;
    return std::nullopt;
}

std::string EncodeHeaderWord(std::string_view text) {
    if (IsPlainAscii(text)) return std::string(text);
    // Encoded words of at most 75 characters: 45 bytes of text give 60 of base64 plus 12 around
    // it. A UTF-8 sequence is never split between two words.
    constexpr std::size_t kChunk = 45;
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size()) {
            const std::size_t next = end + Utf8SequenceLength(static_cast<unsigned char>(text[end]));
            if (next - pos > kChunk && end > pos) break;
            end = next > text.size() ? text.size() : next;
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(text.substr(pos, end - pos)) + "?=";
        pos = end;
    }
    return out;
}

std::string QuotedPrintable(const std::vector<std::string>& lines) {
    static const char* const kHex = "0123456789ABCDEF";
    constexpr std::size_t kMaxLine = 76;
    std::string out;
    for (const std::string& line : lines) {
        std::string current;
        auto emit = [&](const std::string& chunk) {
            // Leave room for the "=" of a soft line break.
            if (current.size() + chunk.size() > kMaxLine - 1) {
                out += current + "=\r\n";
                current.clear();
            }
            current += chunk;
        };
        for (std::size_t i = 0; i < line.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            const bool last = i + 1 == line.size();
            const bool literal = (c >= 0x21 && c <= 0x7E && c != '=') || ((c == ' ' || c == '\t') && !last);
            if (literal) emit(std::string(1, static_cast<char>(c)));
            else emit(std::string{'=', kHex[c >> 4], kHex[c & 15]});
        }
        out += current + "\r\n";
    }
    return out;
}

std::string RandomMessageIdPart() {
    std::random_device device;
    std::string out;
    static const char* const kHex = "0123456789abcdef";
    for (int i = 0; i < 4; ++i) {
        const unsigned value = device();
        for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
    }
    return out;
}

std::string ComposeMessage(const MailMessage& message, std::time_t date, const std::string& messageIdLeft) {
    std::string out;
    out += "Date: " + DateHeader(date) + "\r\n";
    out += "Message-ID: <" + messageIdLeft + "@" + DomainOf(message.senderAddress) + ">\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "From: " + DisplayName(message.senderName) + " <" + message.senderAddress + ">\r\n";
    out += "To: <" + message.recipient + ">\r\n";
    out += "Subject: " + EncodeHeaderWord(message.subject) + "\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\n";
    out += "Content-Transfer-Encoding: quoted-printable\r\n";
    out += "\r\n";
    out += QuotedPrintable(message.bodyLines);
    return out;
}

}  // namespace kestrune
