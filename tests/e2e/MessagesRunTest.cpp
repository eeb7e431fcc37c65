// Developer messages through the real program and the real agent against the loopback server: a
// start fetches the pages, the next start shows the message once, and after "don't remind again"
// no later start shows it; in both settings modes.
#include <sys/stat.h>

#include <csignal>

#include "tests/agent/LoopbackServer.h"
#include "tests/e2e/DrivenStart.h"

using namespace testsupport;

namespace {

class MessagesRun : public DrivenStart, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DrivenStart::SetUp();
        if (IsSkipped()) return;
        // A product folder under Application Data that holds UAUSettings.ini keeps the settings there.
        if (GetParam()) WriteFile(home_.appData() + "/KV.Kestrune/UAUSettings.ini", "");
        server_ = std::make_unique<agenttest::LoopbackServer>(home_.root() + "/www", home_.root() + "/log");
        for (const char* prefix : {"Messages", "MessagesEng"})
            WriteFile(home_.root() + "/www/" + prefix + "_LastEdit.txt", "1");
        WriteFile(home_.root() + "/www/Messages.txt", "<p>Вышла версия 3.0</p>");
        WriteFile(home_.root() + "/www/MessagesEng.txt", "<p>Version 3.0 is out</p>");
    }
    std::string settings(const std::string& name) const {
        return GetParam() ? home_.appData() + "/KV.Kestrune/Prog/" + name : app() + "/Settings/" + name;
    }
    ProcessResult StartOnline(const std::string& action) {
        return Start(
            {"0", "Prog", "2.0", "English", "", "", server_->Url()}, action,
            {{"KESTRUNE_INTERNET", "1"}, {"no_proxy", "*"}, {"KESTRUNE_AGENT_LIMITS", "connect=2,stall=2,run=8"}});
    }
    // The agent runs on after the program ends; its pages land a moment later.
    ::testing::AssertionResult WaitFor(const std::string& path) const {
        return testsupport::WaitFor("the agent's page " + path, [&] { return FileExists(path); });
    }
    std::unique_ptr<agenttest::LoopbackServer> server_;
};

TEST_P(MessagesRun, AMessageIsShownOnceThenSilenced) {
    ProcessResult result = StartOnline("Button2");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "") << "nothing fetched before the first start";
    ASSERT_TRUE(WaitFor(settings("MessagesEng.ini")));
    ASSERT_TRUE(WaitFor(settings("Messages.ini")));

    result = StartOnline("Button1");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(report()), "UFormUMessage|Prog");
    EXPECT_TRUE(FileExists(settings("MessagesEng_UAC.html")));
    EXPECT_TRUE(FileExists(settings("Messages_CheckTrue")));

    result = StartOnline("Button2");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(shownWindow(), "") << "silenced";
}

// Hostile current pages at a start in mode 0 and in mode 1 (the settings window follows): the
// message window comes up and the start ends, with nothing opened that the page names (a named
// pipe or standard input would block the start), however deep its tables are nested, however its
// tag names are written, however tall it claims to be and however many marks sit on one letter.
TEST_P(MessagesRun, HostilePagesNeitherBlockNorFreezeAStart) {
    const std::string pipe = home_.root() + "/picture.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string nested, entityTables, tall, marks;
    for (int i = 0; i < 30; ++i) nested += "<table><tr><td>";
    for (int i = 0; i < 30; ++i) entityTables += "<t&#97;ble><tr><td>";
    for (int i = 0; i < 400000; ++i) marks += "\xcc\x81";  // a combining acute accent
    for (int i = 0; i < 1000; ++i) tall += "<p style=\"line-height:100000px\">h</p><img width=99999 height=99999>";
    const std::vector<std::string> pages{
        "<p>pipe</p><img src=\"" + pipe + "\">",
        "<p>stdin</p><img src=\"/dev/stdin\">",
        nested + "deep",
        entityTables + "deep",
        tall,
        "<p>a" + marks + "</p>",
    };
    for (const char* mode : {"0", "1"}) {
        for (const std::string& page : pages) {
            SCOPED_TRACE(std::string("mode ") + mode + ": " + page.substr(0, 30));
            WriteFile(settings("MessagesEng.ini"), page + "\r\n");
            // No message address: no agent runs, so nothing but this page is shown.
            const ProcessResult result =
                Start({mode, "Prog", "2.0", "English", "", "", ""},
                      std::string(mode) == "0" ? "Button2" : "Button2,ButtonCancel", {{"KESTRUNE_INTERNET", "1"}});
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(shownWindow(), "UFormUMessage");
        }
    }
}

// A start killed while its page is shown leaves the page's mark; the next start drops the page and
// shows no window, and so does every start after it.
TEST_P(MessagesRun, APageThatStoppedAStartIsDroppedByTheNext) {
    WriteFile(settings("MessagesEng.ini"), "<p>Version 3.0 is out</p>\r\n");
    const std::vector<std::string> params{"0", "Prog", "2.0", "English", "", "", ""};
    ProcessResult result = Start(params, "Kill", {{"KESTRUNE_INTERNET", "1"}});
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_EQ(shownWindow(), "UFormUMessage");
    EXPECT_TRUE(FileExists(settings("MessagesEng_UAC_Showing")));
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        result = Start(params, "Button2", {{"KESTRUNE_INTERNET", "1"}});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(shownWindow(), "");
        EXPECT_FALSE(FileExists(settings("MessagesEng_UAC.html")));
        EXPECT_FALSE(FileExists(settings("MessagesEng_UAC_Showing")));
    }
}

INSTANTIATE_TEST_SUITE_P(BothSettingsModes, MessagesRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AppData" : "ProgramFolder"; });

}  // namespace
