#pragma once
// Sends one composed message over SMTP with implicit TLS (libcurl, smtps; the library is loaded at
// the first mail, errors/MailCurl.h). Knows nothing of windows: the caller gives an account, a
// recipient and the message bytes, and gets an outcome.

#include <string>

#include "errors/MailSettings.h"

namespace kestrune {

enum class MailOutcome {
    Delivered,      // the server accepted the message
    Unusable,       // the account or an address was refused before any connection
    ConnectFailed,  // no connection (refused, unreachable, name not found)
    TlsFailed,      // TLS could not be set up or the certificate was not trusted
    LoginRefused,
    RecipientRefused,
    SendRefused,  // MAIL FROM or the message itself was refused
    TimedOut,
    NoMailLibrary,  // libcurl could not be loaded: no attempt was made
    Failed,         // anything else
};

const char* MailOutcomeName(MailOutcome outcome);

struct MailAttempt {
    MailOutcome outcome = MailOutcome::Failed;
    int curlCode = 0;
    std::string detail;  // libcurl's error text, for tests and diagnostics; never shown to the user
    bool delivered() const { return outcome == MailOutcome::Delivered; }
};

// Time limits of one attempt, in milliseconds: the connection (TCP and the TLS handshake) and
// the whole exchange. Fixed in the program; tests shorten them.
struct MailTimeLimits {
    long connectMs = 20000;
    long totalMs = 90000;
};
MailTimeLimits GetMailTimeLimits();
// Replaces the limits; a default-constructed value returns to the program's own.
void SetMailTimeLimitsForTesting(const MailTimeLimits& limits);

class SmtpsSender {
public:
    // caBundle: file of trusted certificates; empty for the system's trust store.
    explicit SmtpsSender(std::string caBundle = {});

    // One attempt: connect with TLS 1.2 or later, verify the certificate and the host name, log
    // in, send, quit. A message that the server has accepted counts as delivered even when a
    // later step (the closing of the connection) fails, so that it is never sent twice.
    MailAttempt Send(const MailAccount& account, const std::string& recipient, const std::string& message) const;

private:
    std::string caBundle_;
};

}  // namespace kestrune
