#pragma once
// An SMTP server with implicit TLS on 127.0.0.1 for the mail tests (tests/errors/smtps_server.py
// under Debian's python3), with a certificate made for this server by openssl.

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace mailtest {

struct ReceivedMail {
    std::string user;                     // the login that sent it
    std::string from;                     // MAIL FROM
    std::vector<std::string> recipients;  // RCPT TO
    std::string data;                     // the message as received
};

struct ServerOptions {
    std::string users = "first:first-pass,second:second-pass";
    std::string refuseRecipient;                // answered with 550
    bool dropAfterData = false;                 // accept the message, then break the connection
    std::string certificateName = "localhost";  // the certificate is made for this name only,
                                                // and for 127.0.0.1 when it is "localhost"
};

class SmtpsServer {
public:
    explicit SmtpsServer(ServerOptions options = {});
    ~SmtpsServer();
    SmtpsServer(const SmtpsServer&) = delete;
    SmtpsServer& operator=(const SmtpsServer&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    std::string caFile() const { return scratch_ / "cert.pem"; }
    std::vector<ReceivedMail> Received() const;
    int Connections() const;
    std::vector<std::string> RecipientsOffered() const;  // every RCPT TO, refused ones included

private:
    testsupport::ScratchFolder scratch_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A port of 127.0.0.1 on which nothing listens.
int ClosedPort();

// A listener that accepts connections and never says a word.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Splits a message into its header block (unfolded, one entry per header) and its body.
struct ParsedMail {
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string Header(const std::string& name) const;  // first with that name, "" when none
};
ParsedMail ParseMail(const std::string& data);
// Decodes a quoted-printable body.
std::string DecodeQuotedPrintable(const std::string& text);

}  // namespace mailtest
