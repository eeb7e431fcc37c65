#pragma once
// Developer messages: the base URL of the message files, the language of the command line, and
// the pages' files, without the window (checks/UMessageForm).
//
// Pages the calling program's maker publishes beside the message address (P7) are fetched by the
// check agent in list mode under the prefixes "Messages" (Russian) and "MessagesEng" (English)
// and shown at a later start in a modal window. A page goes through three states in the settings
// folder: fetched (prefix + ".ini", left by the agent), current (prefix + "_UAC.html", shown at
// every start) and silenced (the empty marker "Messages_CheckTrue" beside the current pages). A
// fetched page that is empty, garbage (NUL or other control bytes, UTF-16 without its byte-order
// mark) or a body larger than kMessagePageLimit is dropped: it is neither shown nor taken over. A
// current page that cannot be shown is deleted, so that no later start meets it again. A new page
// clears the marker, so the marker only ever silences a page the user has seen.
//
// While a window shows a page, the mark prefix + "_UAC_Showing" stands beside it: written before
// the page is laid out, removed once the window has painted it (or has gone without painting). A
// start that finds a mark standing (the last one was killed, hung or crashed while showing that
// page) deletes the page and its mark instead of showing it, so a page can stop one start at most.
// A folder in the place of a current page is never shown; it is removed when it is empty, and a
// folder that holds anything is left as it stands (nothing of ours is in it).

#include <cstddef>
#include <optional>
#include <string>

namespace kestrune {

extern std::string MessagesUrl;
extern std::string CommandLineLanguage;  // P4 of the command line

constexpr std::size_t kMessagePageLimit = 1024 * 1024;
// The agent's file prefixes of the two pages, Russian and English.
constexpr const char* kMessagePrefixes[] = {"Messages", "MessagesEng"};

// The page file a window in this language shows: the English one for "English", the Russian one
// otherwise.
std::string CurrentMessagePagePath(const std::string& language);
// The marker that silences the current pages.
std::string SilencedMessagesMarkerPath();

// The mark that the current page in this language is being shown. Marking writes the empty file
// (false when it cannot be written); clearing removes whatever stands at its name.
std::string MessagePageShowingMarkPath(const std::string& language);
bool MarkMessagePageShowing(const std::string& language);
void ClearMessagePageShowing(const std::string& language);

// The text of a page file, when it is one that may be shown: read whole, not empty, no bytes that
// no page holds (NUL and the other control bytes but tab, line ends and form feed).
std::optional<std::string> UsableMessagePage(const std::string& path);

// Deletes the current pages whose showing mark stands, makes the fetched pages current (a page
// that may not be shown is dropped), deletes current pages that cannot be shown, and clears the marker when a new page became current. False when it failed
// (reported under UMs.006-01).
bool TakeOverMessagePages();

namespace messages {
// Starts the agent for both pages when the message check is due. The check's other entry,
// messages::CheckNewFile, opens the window (checks/UMessageForm.h).
void LaunchCheckUAC();
}  // namespace messages

}  // namespace kestrune
