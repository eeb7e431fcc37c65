#include "checks/UMessages.h"

#include <QScopeGuard>
#include <stdexcept>

#include "checks/AgentResults.h"
#include "checks/AgentRun.h"
#include "foundation/DueTest.h"
#include "foundation/URegInA.h"
#include "foundation/core/FolderTree.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "platform/FileSystem.h"

namespace kestrune {

std::string MessagesUrl;
std::string CommandLineLanguage;

const ProgramValues messageValues([] {
    MessagesUrl.clear();
    CommandLineLanguage.clear();
});

namespace {

std::string Settings(const std::string& name) { return GetProgramPath(2, "") + name; }
std::string FetchedPage(const std::string& prefix) { return Settings(prefix + ".ini"); }
std::string CurrentPage(const std::string& prefix) { return Settings(prefix + "_UAC.html"); }
std::string ShowingMark(const std::string& prefix) { return Settings(prefix + "_UAC_Showing"); }
std::string PrefixOf(const std::string& language) { return language == "English" ? "MessagesEng" : "Messages"; }

// Removes a file of ours, or what stands at its name: a link itself, never what it points to; a
// folder only when it is empty.
void RemoveOwnEntry(const std::string& path) {
    if (!platform::FileAgeReadable(path)) return;
    if (!platform::RemoveFile(path)) platform::RemoveEmptyDirectory(path);
}

// A page whose showing mark stands stopped the start that showed it: it goes with its mark.
void DropPageThatStoppedAStart(const std::string& prefix) {
    if (!platform::FileAgeReadable(ShowingMark(prefix))) return;
    RemoveOwnEntry(CurrentPage(prefix));
    RemoveOwnEntry(ShowingMark(prefix));
}

// Makes a fetched page the current one; a page that may not be shown is dropped. True when a new
// page became current.
bool TakeOverFetchedPage(const std::string& prefix) {
    const std::string fetched = FetchedPage(prefix);
    if (!platform::FileAgeReadable(fetched)) return false;
    const bool usable = UsableMessagePage(fetched).has_value();
    if (usable) {
        RemoveAgentFile(CurrentPage(prefix));
        if (!CopyFileTo(fetched, GetProgramPath(2, ""), prefix + "_UAC.html", false))
            throw std::runtime_error("The message page could not be copied to " + CurrentPage(prefix));
    }
    RemoveAgentFile(fetched);
    return usable;
}

}  // namespace

std::string CurrentMessagePagePath(const std::string& language) { return CurrentPage(PrefixOf(language)); }

std::string MessagePageShowingMarkPath(const std::string& language) { return ShowingMark(PrefixOf(language)); }

bool MarkMessagePageShowing(const std::string& language) {
    return static_cast<bool>(platform::WriteFileAtomic(MessagePageShowingMarkPath(language), ""));
}

void ClearMessagePageShowing(const std::string& language) { RemoveOwnEntry(MessagePageShowingMarkPath(language)); }

std::string SilencedMessagesMarkerPath() { return Settings("Messages_CheckTrue"); }

std::optional<std::string> UsableMessagePage(const std::string& path) {
    const AgentResultText page = ReadAgentResult(path, kMessagePageLimit);
    if (!page.read()) return std::nullopt;
    if (page.text.find_first_not_of(" \t\r\n\f") == std::string::npos) return std::nullopt;
    for (const char c : page.text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f') || byte == 0x7f) return std::nullopt;
    }
    return page.text;
}

bool TakeOverMessagePages() {
    bool done = false;
    Guard("UMs.006-01", [&] {
        // Before the take-over: the mark belongs to the page that was current when it was written.
        for (const char* prefix : kMessagePrefixes) DropPageThatStoppedAStart(prefix);
        bool newPage = false;
        for (const char* prefix : kMessagePrefixes) newPage = TakeOverFetchedPage(prefix) || newPage;
        // A current page that cannot be shown would be met again at every start.
        for (const char* prefix : kMessagePrefixes)
            if (platform::FileAgeReadable(CurrentPage(prefix)) && !UsableMessagePage(CurrentPage(prefix)))
                RemoveOwnEntry(CurrentPage(prefix));
        // The marker silenced the pages the user saw; a new page has not been seen yet.
        if (newPage) RemoveAgentFile(SilencedMessagesMarkerPath());
        done = true;
    });
    return done;
}

void messages::LaunchCheckUAC() {
    Guard("UMs.005-01", [&] {
        const auto close = qScopeGuard([] { CloseSettingsFile(nullptr); });
        OpenSettingsFile("UMessages", "01.00");
        const int interval = ReadSettingInteger("Settings", "IntervalAUCheck", 7, 1, 30);
        // No message address: there is nothing to fetch, and the check is not counted as made.
        if (MessagesUrl.empty()) return;
        if (!IsCheckDue("Messages", interval)) return;
        if (!WriteLastCheckFile("Messages")) throw std::runtime_error("The last-check file cannot be written.");
        for (const char* prefix : kMessagePrefixes)
            StartAgent({prefix, MessagesUrl, kAgentListMode, kAgentTimeLimitMs, "UMs.005-01"}, {});
    });
}

}  // namespace kestrune
