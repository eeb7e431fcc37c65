// The agent as its own process, from a copy of the program folder, against the loopback server.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "agent/AgentFiles.h"
#include "foundation/core/MiniReg.h"
#include "tests/agent/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

constexpr char kPrefix[] = "Prog_1.2";
constexpr char kShortLimits[] = "connect=5,stall=1,run=8";

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (!fs::is_directory(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PellmarkRun : public ::testing::Test {
protected:
    PellmarkRun() : server_(docroot(), scratch_ / "requests.log") {
        testsupport::CopyTree(testsupport::AppDir(), program());
    }

    std::string docroot() const { return scratch_ / "www"; }
    std::string program() const { return scratch_ / "app"; }
    std::string settings() const { return program() + "/Settings"; }
    std::string temp() const { return home_.temp(); }

    void Serve(const std::string& name, const std::string& body) const { WriteFile(docroot() + "/" + name, body); }
    void Behave(const std::string& name, const std::string& how) const {
        WriteFile(docroot() + "/" + name + ".how", how);
    }

    testsupport::ProcessResult Agent(const std::vector<std::string>& parameters,
                                     const std::string& limits = kShortLimits) {
        std::vector<std::string> argv{program() + "/Resource/Pellmark"};
        argv.insert(argv.end(), parameters.begin(), parameters.end());
        return testsupport::RunProcess(argv, {{"KESTRUNE_AGENT_LIMITS", limits}}, 30000);
    }
    testsupport::ProcessResult VersionCheck(const std::string& base, const std::string& limits = kShortLimits) {
        return Agent({"KV.Kestrune", kPrefix, base, "-"}, limits);
    }
    testsupport::ProcessResult ListCheck(const std::string& prefix, const std::string& location = "") {
        return Agent({"KV.Kestrune", prefix, server_.Url(), "AutoComponents", location});
    }

    testsupport::ScratchFolder scratch_;  // made before the home, whose TEMP it must not sit in
    testsupport::IsolatedHome home_;
    agenttest::LoopbackServer server_;
};

const std::string kFlagsAfterNoVersion[] = {std::string(kPrefix) + "_CNVFalse", std::string(kPrefix) + "_CheckReady"};

TEST_F(PellmarkRun, StoresTheDescriptionAndItsTwinExactly) {
    // Windows-1251 bytes, a NUL byte, CR LF line ends and more than one read buffer of text.
    std::string russian = "Версия 1.3\r\n\xC2\xE5\xF0\xF1\xE8\xFF";
    russian += std::string(1, '\0') + "after the NUL\r\n" + std::string(3000, 'x');
    const std::string english = "Version 1.3\r\nChanges\r\n";
    const std::string prefix = "My Prog_1.2";
    Serve(prefix + ".txt", russian);
    Serve(prefix + "Eng.txt", english);
    WriteFile(temp() + "/" + prefix + "_CNVFalse", "");  // left by an earlier run

    const auto run = Agent({"KV.Kestrune", prefix, server_.Url(), "-"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(ReadFile(settings() + "/" + prefix + "_CNVTrue.txt"), russian + "\r\n");
    EXPECT_EQ(ReadFile(settings() + "/" + prefix + "_CNVTrueEng.txt"), english + "\r\n");
    EXPECT_EQ(Entries(temp()), std::vector<std::string>{prefix + "_CheckReady"});
    EXPECT_EQ(ReadFile(temp() + "/" + prefix + "_CheckReady"), "");
    EXPECT_EQ(server_.Log(), (std::vector<std::string>{"GET /My%20Prog_1.2.txt", "GET /My%20Prog_1.2Eng.txt"}));
}

TEST_F(PellmarkRun, ADescriptionWithoutAnEnglishTwinIsStoredAlone) {
    Serve(std::string(kPrefix) + ".txt", "Версия 1.3");
    Behave(std::string(kPrefix) + "Eng.txt", "status 404");

    const auto run = Agent({"KV.Kestrune", kPrefix, server_.Url(), "-"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Entries(settings()), std::vector<std::string>{std::string(kPrefix) + "_CNVTrue.txt"});
    EXPECT_EQ(ReadFile(settings() + "/" + kPrefix + "_CNVTrue.txt"), "Версия 1.3\r\n");
    EXPECT_EQ(Entries(temp()), std::vector<std::string>{std::string(kPrefix) + "_CheckReady"});
}

TEST_F(PellmarkRun, FollowsARedirectAndReadsAChunkedBody) {
    const std::string english(2500, 'e');
    Behave(std::string(kPrefix) + ".txt", "redirect /moved/" + std::string(kPrefix) + ".txt");
    Serve("moved/" + std::string(kPrefix) + ".txt", "moved");
    Serve(std::string(kPrefix) + "Eng.txt", english);
    Behave(std::string(kPrefix) + "Eng.txt", "chunked");

    const auto run = VersionCheck(server_.Url());

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadFile(settings() + "/" + kPrefix + "_CNVTrue.txt"), "moved\r\n");
    EXPECT_EQ(ReadFile(settings() + "/" + kPrefix + "_CNVTrueEng.txt"), english + "\r\n");
}

TEST_F(PellmarkRun, NoDescriptionLeavesTheNoVersionFlagAndTheReadyFlag) {
    const std::string description = std::string(kPrefix) + ".txt";
    struct Case {
        const char* name;
        std::string how;   // behaviour of the description's address; empty: not on the server
        std::string base;  // empty: the server
        int exitCode;
        std::string limits = kShortLimits;
    };
    const Case cases[] = {
        {"not found", "", "", 0},
        {"gone", "status 410", "", 1},
        {"server error", "status 500", "", 1},
        {"server unavailable", "status 503", "", 1},
        {"redirect loop", "redirect /" + description, "", 1},
        {"redirect to a file address", "redirect file:///etc/hostname", "", 1},
        {"refused port", "", "http://127.0.0.1:1/", 1},
        {"other scheme", "", "ftp://127.0.0.1/", 1},
        {"no answer within the run limit", "stall-head", "", 1, "stall=60,run=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        fs::remove_all(temp());
        fs::create_directories(temp());
        if (!c.how.empty()) Behave(description, c.how);
        Serve(std::string(kPrefix) + "Eng.txt", "english");
        WriteFile(settings() + "/" + kPrefix + "_CNVTrue.txt", "old");  // left by an earlier run
        WriteFile(settings() + "/" + kPrefix + "_CNVTrueEng.txt", "old");

        const auto run = VersionCheck(c.base.empty() ? server_.Url() : c.base, c.limits);

        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(Entries(temp()),
                  std::vector<std::string>(std::begin(kFlagsAfterNoVersion), std::end(kFlagsAfterNoVersion)));
        // "Not found" is no new version; any other status, or a server that could not be asked, is
        // a failed check.
        const std::vector<std::string> failed{std::string(kPrefix) + "_CheckFailed"};
        EXPECT_EQ(Entries(settings()), c.exitCode == 0 ? std::vector<std::string>{} : failed);
    }
}

TEST_F(PellmarkRun, AFailedTransferStoresNothingAndStillEndsTheCheck) {
    const std::string description = std::string(kPrefix) + ".txt";
    const std::string twin = std::string(kPrefix) + "Eng.txt";
    struct Case {
        const char* name;
        std::string file;  // the address that misbehaves
        std::string how;
        std::string limits;
    };
    const Case cases[] = {
        {"cut description", description, "truncate", kShortLimits},
        {"cut twin", twin, "truncate", kShortLimits},
        {"broken chunks", description, "chunk-cut", kShortLimits},
        {"reset", twin, "reset", kShortLimits},
        {"stalled body", twin, "stall", "stall=1,run=60"},
        {"twin never answered", twin, "stall-head", "stall=60,run=2"},
        {"too large", description, "", "size=4096"},
        {"too large without a length", twin, "chunked", "size=4096"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        fs::remove_all(temp());
        fs::create_directories(temp());
        Serve(description, std::string(5000, 'r'));
        Serve(twin, std::string(5000, 'e'));
        if (!c.how.empty()) Behave(c.file, c.how);

        const auto run = VersionCheck(server_.Url(), c.limits);

        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(Entries(settings()), std::vector<std::string>{std::string(kPrefix) + "_CheckFailed"})
            << "no result and no temporary file, the failure marker alone";
        EXPECT_EQ(Entries(temp()), std::vector<std::string>{std::string(kPrefix) + "_CheckReady"});
    }
    // The next run that goes through takes the marker away.
    Serve(description, "2.0\r\n01.02.2026\r\nhttp://h/\r\n10\r\n");
    Serve(twin, "2.0\r\n01.02.2026\r\nhttp://h/\r\n10\r\n");
    fs::remove(docroot() + "/" + twin + ".how");
    fs::remove(docroot() + "/" + description + ".how");
    EXPECT_EQ(VersionCheck(server_.Url()).exitCode, 0);
    EXPECT_EQ(Entries(settings()), (std::vector<std::string>{std::string(kPrefix) + "_CNVTrue.txt",
                                                             std::string(kPrefix) + "_CNVTrueEng.txt"}));
}

TEST_F(PellmarkRun, RefusedParametersTouchNoFile) {
    Serve(std::string(kPrefix) + ".txt", "description");
    const std::string url = server_.Url();
    struct Case {
        const char* name;
        std::vector<std::string> parameters;
    };
    const Case cases[] = {
        {"no parameters", {}},
        {"empty product folder", {"", kPrefix, url, "-"}},
        {"empty prefix", {"KV.Kestrune", "", url, "-"}},
        {"empty address", {"KV.Kestrune", kPrefix, "", "-"}},
        {"prefix with slash", {"KV.Kestrune", "../x", url, "-"}},
        {"prefix with backslash", {"KV.Kestrune", "a\\b", url, "AutoComponents"}},
        {"prefix with dots", {"KV.Kestrune", "a..b", url, "-"}},
        {"prefix with a line end", {"KV.Kestrune", "a\r\nb", url, "-"}},
        {"prefix with a control character", {"KV.Kestrune", "a\x01", url, "-"}},
        {"product folder leaving Application Data", {"..", kPrefix, url, "-", "AppData"}},
        {"product folder with a nested way out", {"KV.Kestrune\\..\\..", kPrefix, url, "-", "AppData"}},
        {"product folder with a control character", {"KV.Kestrune\\a\x1b", kPrefix, url, "-", "AppData"}},
        // With "_CAC_LastEdit.ini" after it, the name would be longer than a file name may be.
        {"prefix too long for its file names", {"KV.Kestrune", std::string(239, 'p'), url, "-"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = Agent(c.parameters);
        EXPECT_EQ(run.exitCode, 2);
    }
    EXPECT_EQ(Entries(temp()), std::vector<std::string>{});
    EXPECT_EQ(Entries(settings()), std::vector<std::string>{});
    EXPECT_EQ(Entries(home_.appData()), std::vector<std::string>{});
    EXPECT_EQ(server_.Log(), std::vector<std::string>{});
}

TEST_F(PellmarkRun, TheApplicationDataFolderComesFromTheRegistry) {
    Serve(std::string(kPrefix) + ".txt", "description");
    Serve(std::string(kPrefix) + "Eng.txt", "english");
    const std::string value = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\AppData";
    const std::string elsewhere = home_.root() + "/elsewhere";
    struct Case {
        std::string stored;
        int exitCode;
        std::string folder;  // empty: nothing written anywhere
    };
    const Case cases[] = {
        {elsewhere, 0, elsewhere + "/KV.Kestrune"},
        {"", 0, home_.appData() + "/KV.Kestrune"},  // the program's own stand-in
        {"relative\\folder", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        fs::remove_all(temp());
        fs::create_directories(temp());
        fs::remove_all(home_.appData() + "/KV.Kestrune");
        ASSERT_TRUE(kestrune::RegWriteString(kestrune::RegistryRoot::CurrentUser, value, c.stored));

        const auto run = Agent({"KV.Kestrune", kPrefix, server_.Url(), "-", "AppData"});

        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.folder.empty()) {
            EXPECT_EQ(Entries(temp()), std::vector<std::string>{});
        } else {
            EXPECT_EQ(ReadFile(c.folder + "/" + kPrefix + "_CNVTrue.txt"), "description\r\n");
        }
    }
}

TEST_F(PellmarkRun, TheLocationWordChoosesTheResultFolder) {
    Serve(std::string(kPrefix) + ".txt", "description");
    Serve(std::string(kPrefix) + "Eng.txt", "english");
    struct Case {
        const char* word;
        std::string folder;
    };
    const Case cases[] = {
        {"AppData", home_.appData() + "/KV.Kestrune"},
        {"appdata", settings()},
        {"", settings()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        fs::remove_all(home_.appData() + "/KV.Kestrune");
        fs::remove_all(settings());

        const auto run = Agent({"KV.Kestrune", kPrefix, server_.Url(), "-", c.word});

        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(ReadFile(c.folder + "/" + kPrefix + "_CNVTrue.txt"), "description\r\n");
        EXPECT_EQ(ReadFile(c.folder + "/" + kPrefix + "_CNVTrueEng.txt"), "english\r\n");
    }
}

class PellmarkListRun : public PellmarkRun {
protected:
    std::string List() const { return ReadFile(settings() + "/Messages.ini"); }
    std::string Mark() const { return ReadFile(settings() + "/Messages_CAC_LastEdit.ini"); }
    bool Ready() const { return FileExists(temp() + "/Messages_CAC_Ready"); }
};

TEST_F(PellmarkListRun, FetchesTheListOnlyWhenTheMarkChanges) {
    Serve("Messages.txt", "<html>first</html>");
    Serve("Messages_LastEdit.txt", "2026-12-01\r\nsecond line");

    auto run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>first</html>\r\n");
    EXPECT_EQ(Mark(), "2026-12-01\r\nsecond line\r\n");
    EXPECT_TRUE(Ready());
    EXPECT_EQ(server_.Log(),
              (std::vector<std::string>{"HEAD /Messages.txt", "GET /Messages_LastEdit.txt", "GET /Messages.txt"}));

    // The same first line: only the mark is fetched and rewritten.
    server_.ClearLog();
    Serve("Messages.txt", "<html>second</html>");
    Serve("Messages_LastEdit.txt", "2026-12-01\r\nother second line");
    run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>first</html>\r\n");
    EXPECT_EQ(Mark(), "2026-12-01\r\nother second line\r\n");
    EXPECT_EQ(server_.Log(), (std::vector<std::string>{"HEAD /Messages.txt", "GET /Messages_LastEdit.txt"}));

    // A first line that differs only in letter case is a new mark.
    Serve("Messages_LastEdit.txt", "2026-12-01A");
    fs::remove(settings() + "/Messages_CAC_LastEdit.ini");
    WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "2026-12-01a\r\n");
    run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>second</html>\r\n");
    EXPECT_EQ(Mark(), "2026-12-01A\r\n");
}

TEST_F(PellmarkListRun, AFailedListIsFetchedAgainNextTime) {
    Serve("Messages.txt", "<html>page</html>");
    Serve("Messages_LastEdit.txt", "mark 2");
    Behave("Messages.txt", "truncate");
    WriteFile(settings() + "/Messages.ini", "old list");
    WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "mark 1\r\n");

    auto run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(List(), "old list");
    EXPECT_EQ(Mark(), "mark 1\r\n");
    EXPECT_TRUE(Ready());
    EXPECT_EQ(Entries(settings()), (std::vector<std::string>{"Messages.ini", "Messages_CAC_LastEdit.ini"}));

    fs::remove(docroot() + "/Messages.txt.how");
    run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>page</html>\r\n");
    EXPECT_EQ(Mark(), "mark 2\r\n");
}

TEST_F(PellmarkListRun, AListMissingOnTheServerKeepsTheOldFiles) {
    struct Case {
        const char* name;
        std::string listHow;
        std::string markHow;
        int exitCode;
    };
    const Case cases[] = {
        {"list not found", "status 404", "", 0},
        {"list server error", "status 500", "", 1},
        {"list unavailable", "status 503", "", 1},
        {"mark cut short", "", "truncate", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        Serve("Messages.txt", "<html>new</html>");
        Serve("Messages_LastEdit.txt", "new mark");
        if (!c.listHow.empty()) Behave("Messages.txt", c.listHow);
        if (!c.markHow.empty()) Behave("Messages_LastEdit.txt", c.markHow);
        WriteFile(settings() + "/Messages.ini", "old list");
        WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "old mark\r\n");

        const auto run = ListCheck("Messages");

        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(List(), "old list");
        EXPECT_EQ(Mark(), "old mark\r\n");
        EXPECT_TRUE(Ready());
    }
}

std::string DigestMark(const std::string& body) {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(body.data(), body.size(), value, &length, EVP_sha256(), nullptr), 1);
    std::string mark = "#body-sha256=";
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", value[i]);
        mark += hex;
    }
    return mark;
}

TEST_F(PellmarkListRun, AServerWithoutAChangeMarkStillDeliversItsList) {
    Serve("Messages.txt", "<html>new</html>");
    Behave("Messages_LastEdit.txt", "status 404");
    WriteFile(settings() + "/Messages.ini", "old list");
    WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "old mark\r\n");

    const auto run = ListCheck("Messages");

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>new</html>\r\n");
    // The list's digest is kept in place of the mark.
    EXPECT_EQ(Mark(), DigestMark("<html>new</html>") + "\r\n");
    EXPECT_EQ(Entries(settings()), (std::vector<std::string>{"Messages.ini", "Messages_CAC_LastEdit.ini"}));
    EXPECT_TRUE(Ready());
}

TEST_F(PellmarkListRun, AListWithoutAChangeMarkIsDeliveredOnlyWhenItChanges) {
    struct Case {
        const char* name;
        std::string markHow;   // behaviour of the mark's address
        std::string markBody;  // served when there is no behaviour
    };
    const Case cases[] = {
        {"mark not found", "status 404", ""},
        {"mark forbidden", "status 403", ""},
        {"empty mark", "", ""},
        {"mark with an empty first line", "", "\r\nsecond line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        fs::remove_all(settings());
        if (c.markHow.empty()) Serve("Messages_LastEdit.txt", c.markBody);
        else Behave("Messages_LastEdit.txt", c.markHow);
        Serve("Messages.txt", "<html>first</html>");

        auto run = ListCheck("Messages");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(List(), "<html>first</html>\r\n");
        EXPECT_EQ(Mark(), DigestMark("<html>first</html>") + "\r\n");

        // KV.Kestrune takes the list over; the same list is not delivered again.
        fs::remove(settings() + "/Messages.ini");
        run = ListCheck("Messages");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(Ready());
        EXPECT_EQ(Entries(settings()), std::vector<std::string>{"Messages_CAC_LastEdit.ini"});
        EXPECT_EQ(Mark(), DigestMark("<html>first</html>") + "\r\n");

        // A changed list is.
        Serve("Messages.txt", "<html>second</html>");
        run = ListCheck("Messages");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(List(), "<html>second</html>\r\n");
        EXPECT_EQ(Mark(), DigestMark("<html>second</html>") + "\r\n");

        // A server that starts to serve marks has its list delivered once more, then by its marks.
        fs::remove(settings() + "/Messages.ini");
        fs::remove(docroot() + "/Messages_LastEdit.txt.how");
        Serve("Messages_LastEdit.txt", "2026-12-10");
        run = ListCheck("Messages");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(List(), "<html>second</html>\r\n");
        EXPECT_EQ(Mark(), "2026-12-10\r\n");
        fs::remove(settings() + "/Messages.ini");
        run = ListCheck("Messages");
        EXPECT_EQ(Entries(settings()), std::vector<std::string>{"Messages_CAC_LastEdit.ini"});
    }
}

TEST_F(PellmarkListRun, ListsThatExistAreFoundWhateverTheServerAnswersToHead) {
    struct Case {
        const char* name;
        std::string how;
        bool found;
    };
    const Case cases[] = {
        {"HEAD answered 400", "head-status 400", true},    {"HEAD answered 403", "head-status 403", true},
        {"HEAD answered 404", "head-status 404", true},    {"HEAD not allowed", "no-head", true},
        {"connection closed on HEAD", "head-close", true}, {"no list at all", "status 404", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        fs::remove_all(settings());
        server_.ClearLog();
        Serve("Messages.txt", "<html>page</html>");
        Serve("Messages_LastEdit.txt", "mark");
        Behave("Messages.txt", c.how);

        const auto run = ListCheck("Messages");

        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(Ready());
        std::vector<std::string> requests{"HEAD /Messages.txt", "GET /Messages.txt"};
        if (c.found) {
            EXPECT_EQ(List(), "<html>page</html>\r\n");
            EXPECT_EQ(Mark(), "mark\r\n");
            requests.insert(requests.end(), {"GET /Messages_LastEdit.txt", "GET /Messages.txt"});
        } else {
            EXPECT_EQ(Entries(settings()), std::vector<std::string>{});
        }
        EXPECT_EQ(server_.Log(), requests);
    }
}

TEST_F(PellmarkRun, EveryRequestAsksForAFreshAnswerUnderTheAgentsName) {
    Serve(std::string(kPrefix) + ".txt", "description");
    Serve(std::string(kPrefix) + "Eng.txt", "english");
    Serve("Messages.txt", "page");
    Behave("Messages.txt", "head-status 403");
    Serve("Messages_LastEdit.txt", "mark");

    EXPECT_EQ(VersionCheck(server_.Url()).exitCode, 0);
    EXPECT_EQ(ListCheck("Messages").exitCode, 0);

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (const auto& request : requests) {
        SCOPED_TRACE(request.line);
        const auto header = [&](const std::string& name) {
            const auto found = request.headers.find(name);
            return found == request.headers.end() ? std::string("(missing)") : found->second;
        };
        EXPECT_EQ(header("user-agent"), "InetURL:/1.0");
        EXPECT_EQ(header("cache-control"), "no-cache");
        EXPECT_EQ(header("pragma"), "no-cache");
    }
}

TEST_F(PellmarkRun, EveryLegalPrefixWorks) {
    // Up to the longest prefix taken, whose longest result name ("_CAC_LastEdit.ini" after it)
    // has the 255 bytes a file name may have.
    struct Case {
        std::size_t length;
        bool versionMode;
    };
    const Case cases[] = {{222, true}, {238, true}, {222, false}, {238, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        fs::remove_all(settings());
        fs::remove_all(temp());
        fs::create_directories(temp());
        const std::string prefix(c.length, 'p');
        Serve(prefix + ".txt", "text");
        Serve(prefix + "Eng.txt", "english");
        Serve(prefix + "_LastEdit.txt", "mark");

        const auto run = c.versionMode ? Agent({"KV.Kestrune", prefix, server_.Url(), "-"}) : ListCheck(prefix);

        EXPECT_EQ(run.exitCode, 0);
        if (c.versionMode) {
            EXPECT_EQ(ReadFile(settings() + "/" + prefix + "_CNVTrue.txt"), "text\r\n");
            EXPECT_EQ(ReadFile(settings() + "/" + prefix + "_CNVTrueEng.txt"), "english\r\n");
            EXPECT_EQ(Entries(temp()), std::vector<std::string>{prefix + "_CheckReady"});
        } else {
            EXPECT_EQ(ReadFile(settings() + "/" + prefix + ".ini"), "text\r\n");
            EXPECT_EQ(ReadFile(settings() + "/" + prefix + "_CAC_LastEdit.ini"), "mark\r\n");
            EXPECT_EQ(Entries(temp()), std::vector<std::string>{prefix + "_CAC_Ready"});
        }
        EXPECT_EQ(Entries(settings()).size(), 2u);
    }
}

TEST_F(PellmarkRun, AnEmptyBodyIsStoredAsALineEndAlone) {
    // KV.Kestrune reads a result holding only CR LF as an empty body.
    Serve(std::string(kPrefix) + ".txt", "");
    Serve(std::string(kPrefix) + "Eng.txt", "");
    Serve("Messages.txt", "");
    Serve("Messages_LastEdit.txt", "mark");

    EXPECT_EQ(VersionCheck(server_.Url()).exitCode, 0);
    EXPECT_EQ(ListCheck("Messages").exitCode, 0);

    EXPECT_EQ(ReadFile(settings() + "/" + kPrefix + "_CNVTrue.txt"), "\r\n");
    EXPECT_EQ(ReadFile(settings() + "/" + kPrefix + "_CNVTrueEng.txt"), "\r\n");
    EXPECT_EQ(ReadFile(settings() + "/Messages.ini"), "\r\n");
}

TEST_F(PellmarkRun, AStallEndsTheTransferAtTheStallLimit) {
    // The limit counts from the last byte that arrived (or from the request when none did).
    struct Case {
        const char* name;
        std::string how;
    };
    const Case cases[] = {{"stalled body", "stall"}, {"no answer at all", "stall-head"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(docroot());
        Serve(std::string(kPrefix) + ".txt", std::string(100000, 'r'));
        Behave(std::string(kPrefix) + ".txt", c.how);

        const auto start = std::chrono::steady_clock::now();
        const auto run = VersionCheck(server_.Url(), "stall=2,run=60");
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        EXPECT_EQ(run.exitCode, 1);
        EXPECT_GE(seconds, 2.0);
        EXPECT_LT(seconds, 6.0);
    }
}

// Makes every entry of the folder look an hour old: the next run comes later.
void AgeEntries(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
}

TEST_F(PellmarkListRun, AnAgentKilledMidBodyChangesNothingAndLeavesNoTemporary) {
    const std::string body(1 << 20, 'n');
    Serve("Messages.txt", body);
    Serve("Messages_LastEdit.txt", "mark 2");
    Behave("Messages.txt", "stall");
    WriteFile(settings() + "/Messages.ini", "old list");
    WriteFile(settings() + "/Messages_CAC_LastEdit.ini", "mark 1\r\n");

    // Killed (SIGKILL) while the list's body is on its way.
    const auto killed = testsupport::RunProcess(
        {program() + "/Resource/Pellmark", "KV.Kestrune", "Messages", server_.Url(), "AutoComponents"},
        {{"KESTRUNE_AGENT_LIMITS", "stall=60,run=60"}}, 1500);
    ASSERT_TRUE(killed.timedOut);
    EXPECT_EQ(List(), "old list");
    EXPECT_EQ(Mark(), "mark 1\r\n");
    EXPECT_FALSE(Ready());

    // Whatever it left, and an old temporary of another prefix, wait for the next run.
    AgeEntries(settings());
    const std::string others = pellmark::TemporaryTag("MessagesEng") + "aB3dE6";
    WriteFile(settings() + "/" + others, "partial");
    AgeEntries(settings());

    fs::remove(docroot() + "/Messages.txt.how");
    const auto run = ListCheck("Messages");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), body + "\r\n");
    EXPECT_EQ(Mark(), "mark 2\r\n");
    EXPECT_EQ(Entries(settings()), (std::vector<std::string>{others, "Messages.ini", "Messages_CAC_LastEdit.ini"}));
}

TEST_F(PellmarkRun, AnAgentKilledMidBodyLeavesNoPartOfThePair) {
    Serve(std::string(kPrefix) + ".txt", "description");
    Serve(std::string(kPrefix) + "Eng.txt", std::string(1 << 20, 'e'));
    Behave(std::string(kPrefix) + "Eng.txt", "stall");

    const auto killed =
        testsupport::RunProcess({program() + "/Resource/Pellmark", "KV.Kestrune", kPrefix, server_.Url(), "-"},
                                {{"KESTRUNE_AGENT_LIMITS", "stall=60,run=60"}}, 1500);
    ASSERT_TRUE(killed.timedOut);
    for (const std::string& name : Entries(settings())) {
        EXPECT_EQ(name.find("_CNVTrue"), std::string::npos) << name;
    }
    EXPECT_EQ(Entries(temp()), std::vector<std::string>{});

    AgeEntries(settings());
    fs::remove(docroot() + "/" + kPrefix + "Eng.txt.how");
    const auto run = VersionCheck(server_.Url());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Entries(settings()), (std::vector<std::string>{std::string(kPrefix) + "_CNVTrue.txt",
                                                             std::string(kPrefix) + "_CNVTrueEng.txt"}));
}

TEST_F(PellmarkListRun, AServerWithoutHeadIsProbedWithGet) {
    Serve("Messages.txt", "<html>page</html>");
    Serve("Messages_LastEdit.txt", "mark");
    Behave("Messages.txt", "no-head");

    const auto run = ListCheck("Messages");

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(List(), "<html>page</html>\r\n");
}

TEST_F(PellmarkListRun, TwoAgentsAtOnceKeepToTheirOwnFiles) {
    Serve("Messages.txt", "russian page");
    Serve("Messages_LastEdit.txt", "ru mark");
    Serve("MessagesEng.txt", "english page");
    Serve("MessagesEng_LastEdit.txt", "en mark");
    for (const char* location : {"", "AppData"}) {
        SCOPED_TRACE(location);
        const std::string folder = *location ? home_.appData() + "/KV.Kestrune" : settings();
        testsupport::ProcessResult first, second;
        std::thread other([&] { second = ListCheck("MessagesEng", location); });
        first = ListCheck("Messages", location);
        other.join();

        EXPECT_EQ(first.exitCode, 0);
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(ReadFile(folder + "/Messages.ini"), "russian page\r\n");
        EXPECT_EQ(ReadFile(folder + "/MessagesEng.ini"), "english page\r\n");
        EXPECT_EQ(ReadFile(folder + "/Messages_CAC_LastEdit.ini"), "ru mark\r\n");
        EXPECT_EQ(ReadFile(folder + "/MessagesEng_CAC_LastEdit.ini"), "en mark\r\n");
        EXPECT_EQ(Entries(temp()), (std::vector<std::string>{"MessagesEng_CAC_Ready", "Messages_CAC_Ready"}));
    }
}

}  // namespace
