#pragma once
// Hands a web page, a mail link or a page of the program folder to the desktop's default
// action, as the shell's "open" did. Never through a shell: xdg-open gets one argument, a URL.

#include <functional>
#include <string>

namespace kestrune {

// The URL that ShellOpen would hand over, or empty when the target is refused. Accepted:
// http: and https: addresses with a host, mailto: links, and files inside the program folder
// (after resolving links), also one that is missing, so that the desktop says so. Nothing else:
// no folder, no other scheme, no program, no option. Percent-encodings stay encoded (hex digits in
// capitals, unreserved characters such as "%41" decoded: the same address). A mailto:
// link loses its "attach" and "attachment" keys (in any case, also encoded), and one that still
// names an attachment some other way once decoded is refused: no link carries a file to the mail
// program.
std::string ShellOpenUrl(const std::string& target);

// The URL a link of a page from outside the program may open, or empty: only web addresses
// (http:, https: with a host) and mailto: links, never a file, whatever folder it is in.
std::string PageLinkUrl(const std::string& target);

// Opens the target; answers whether it was handed over. showCommand is the shell's show command
// (0 hidden owner, 5 normal); the desktop decides how the page shows, so it is only passed on.
bool ShellOpen(const std::string& target, int showCommand);
// Opens a page's link by PageLinkUrl's rule, hidden owner (show command 0); answers whether it was
// handed over.
bool OpenPageLink(const std::string& target);

// Tests record what would be opened: the handler receives the accepted URL and the show
// command, and nothing is started. Answers the handler it replaced; an empty one restores xdg-open.
using ShellOpenHandler = std::function<void(const std::string& url, int showCommand)>;
ShellOpenHandler SetShellOpenHandlerForTesting(ShellOpenHandler handler);

}  // namespace kestrune
