#pragma once
// libcurl for the mail, loaded when the first mail is sent rather than with the program: the
// library and the TLS, LDAP, SSH and Kerberos libraries it pulls in are half of what the loader
// would otherwise map at every start, for a mail that most runs never send.

#include <curl/curl.h>

#include <string>

#include "platform/LoadedLibrary.h"

namespace kestrune {

// The few functions of libcurl that the mail uses.
struct MailCurlFunctions {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

using MailCurl = platform::LoadedLibrary<MailCurlFunctions>;

// libcurl's functions, its global state set up once. A library that was loaded stays for the rest
// of the run (OpenSSL registers its own clean-up at exit); one that could not be loaded is tried
// again at the next mail.
MailCurl LoadMailCurl();

// The file name that is loaded: "libcurl.so.4"; tests name one that does not exist. Empty
// returns to libcurl.
void SetMailCurlLibraryForTesting(const std::string& fileName);

}  // namespace kestrune
