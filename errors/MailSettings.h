#pragma once
// The mail accounts of the program: a small INI file in the Resource folder beside the program
// file, so that no host, user name or password is compiled in.
//
//     [Account1]          first account
//     Host=smtp.example.org
//     Port=465            optional, 465 when missing
//     User=reports
//     Password=secret
//     Sender=reports@example.org
//     [Account2]          fallback account, same keys
//     [TLS]
//     CABundle=/path/to/ca.pem   optional: trust these certificates instead of the system's
//
// Section and key names are compared without letter case; lines beginning with ";" or "#" are
// comments, and so is the rest of a line from a ";" or "#" that follows a blank (a password may
// hold ";" or "#", but not after a blank); values are taken as they stand, blanks around them
// removed.

#include <array>
#include <string>
#include <string_view>

#include "errors/MailNotes.h"

namespace kestrune {

struct MailAccount {
    std::string host;
    int port = 465;
    std::string user;
    std::string password;
    std::string sender;
    // Why the account cannot be used, naming the section and the key ("[Account1] Port: ..."),
    // empty when it can be used. Never holds the password. In English; the note says the same
    // for the failure box, which shows it in the window's language.
    std::string problem;
    MailNote note;
    bool usable() const { return problem.empty(); }
};

struct MailSettings {
    std::array<MailAccount, 2> accounts;  // first, then the fallback
    std::string caBundle;                 // empty: the system's trust store
};

// Path text of the settings file: the program folder + "\Resource\Mail.ini".
std::string MailSettingsPath();

// Reads the file; a missing or unreadable file gives two unusable accounts, and so does a CA
// bundle that is named but cannot be read (no connection could be trusted).
MailSettings LoadMailSettings(const std::string& path);
MailSettings ParseMailSettings(std::string_view text);

// A host name or IPv4 address made of letters, digits, "." and "-" only.
bool IsPlainHostName(std::string_view host);

}  // namespace kestrune
