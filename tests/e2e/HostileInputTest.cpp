// Whole starts of the built program with the values a calling program with a bug (or an
// attacker) might pass: on the command line or in a stored "Kestrune.ini". A value that cannot be
// used ends the start at once with status 2 and one line on stderr; no window opens, nothing is
// created or deleted and no stored file changes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "tests/support/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Every file below a folder with its bytes (a link with its target), so that a start can be
// shown to have changed nothing.
using Tree = std::map<std::string, std::string>;

Tree Snapshot(const std::string& root) {
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        // Qt's own runtime folder in TEMP and the window driver's report are not the program's.
        if (relative.rfind("tmp/runtime-", 0) == 0 || relative == "driver-report") continue;
        if (it->is_symlink()) tree[relative] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory()) tree[relative + "/"] = "";
        else tree[relative] = ReadFile(it->path().string());
    }
    return tree;
}

std::string Repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

std::string Shown(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown.size() > 60 ? shown.substr(0, 60) + "..." : shown;
}

// Values that are never a path, an address or a name: line breaks, a terminal's escape
// sequence, a tab.
const std::string kControlValues[] = {"http://127.0.0.1:1/a\r\nX-Injected: 1", "\x1b]0;owned\x07\x1b[2J", "icon\t.ico"};
// The ones a stored line can hold (a line break would end the line).
const std::string kStorableControlValues[] = {"\x1b]0;owned\x07\x1b[2J", "http://127.0.0.1:1/a\rb"};

class HostileStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
        exe_ = fs::canonical(app() + "/KV.Kestrune").string();
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string productFolder() const { return home_.appData() + "/KV.Kestrune"; }
    std::string report() const { return home_.root() + "/driver-report"; }

    // Boxes are answered on stderr; where the window driver can be preloaded, it reports any
    // modal window and closes it with Esc.
#ifdef KESTRUNE_MODAL_DRIVER
    std::string driver_ = KESTRUNE_MODAL_DRIVER;  // the window driver that Start preloads
#endif

    ProcessResult Start(const std::vector<std::string>& params, std::map<std::string, std::string> env = {},
                        const std::vector<std::string>& runAs = {}) {
        std::remove(report().c_str());
        std::vector<std::string> argv = runAs;
        argv.push_back(app() + "/KV.Kestrune");
        argv.insert(argv.end(), params.begin(), params.end());
        env["QT_QPA_PLATFORM"] = "offscreen";
        env.emplace("KESTRUNE_MESSAGEBOX_ANSWER", "1");
        // Offline: no online check writes its files into the home these tests compare.
        env.emplace("KESTRUNE_INTERNET", "0");
#ifdef KESTRUNE_MODAL_DRIVER
        env["LD_PRELOAD"] = driver_;
        env["KESTRUNE_DRIVER_REPORT"] = report();
        env.emplace("KESTRUNE_DRIVER_ACTION", "Esc");
#endif
        return RunProcess(argv, env, kStateDeadlineMs);
    }

    // A refused start: status 2, one line naming the value with its control bytes escaped, no
    // box, no window, and not a file of the scratch home changed.
    void ExpectRefused(const ProcessResult& result, const Tree& before, const std::string& named) {
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        const std::size_t refused = result.err.find("the start is refused");
        EXPECT_NE(refused, std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("the start is refused", refused + 1), std::string::npos) << "one message";
        EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("message box"), std::string::npos) << result.err;
        bool rawControlByte = false;
        for (const char c : result.err)
            if (c != '\n' && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)) rawControlByte = true;
        EXPECT_FALSE(rawControlByte) << "the value is echoed raw: " << Shown(result.err);
        EXPECT_FALSE(FileExists(report())) << "a window opened: " << ReadFile(report());
        EXPECT_TRUE(Snapshot(home_.root()) == before) << "the start changed files";
    }

    // A "Kestrune.ini" as an earlier run left it, with the given values.
    std::string StoredFile(const std::map<std::string, std::string>& values) const {
        std::map<std::string, std::string> v{{"ProName", "Prog"},
                                             {"ProVer", "2.0"},
                                             {"IconPatch", "/p.ico"},
                                             {"URLtoFile", "http://127.0.0.1:1/v/"},
                                             {"URLtoMSG", "http://127.0.0.1:1/m/"},
                                             {"CSIconPatch", "/p.ico"},
                                             {"Exe", exe_}};
        for (const auto& [key, value] : values) v[key] = value;
        std::string text =
            "[Main]\r\nFile=<Kestrune Settings File>\r\nVersion=01.00\r\nDate=01.01.2020\r\n\r\n[Settings]\r\n";
        for (const char* key : {"ProName", "ProVer", "IconPatch", "URLtoFile", "URLtoMSG", "CSIconPatch", "Exe"})
            text += std::string(key) + "=\"" + v[key] + "\"\r\n";
        return text;
    }

    // Where the calling program's values are kept between runs.
    enum class Place { BesideTheProgram, ApplicationData, TakenOverFromApplicationData };
    std::string Prepare(Place place, const std::string& fileText) {
        fs::remove_all(productFolder());
        fs::remove(app() + "/Settings/Kestrune.ini");
        switch (place) {
            case Place::BesideTheProgram:
                WriteFile(app() + "/Settings/Kestrune.ini", fileText);
                return app() + "/Settings/Kestrune.ini";
            case Place::ApplicationData:
                WriteFile(productFolder() + "/UAUSettings.ini", "");
                WriteFile(productFolder() + "/Prog/Kestrune.ini", fileText);
                return productFolder() + "/Prog/Kestrune.ini";
            case Place::TakenOverFromApplicationData:
                WriteFile(productFolder() + "/Prog/Kestrune.ini", fileText);
                WriteFile(productFolder() + "/Prog/UMessages.ini", "[Settings]\r\n");
                return productFolder() + "/Prog/Kestrune.ini";
        }
        return {};
    }

    IsolatedHome home_;
    std::string exe_;
};

const std::pair<const char*, int> kPlaces[] = {
    {"beside the program", 0}, {"under Application Data", 1}, {"taken over from Application Data", 2}};

TEST_F(HostileStart, ACommandLineValueThatCannotBeUsedRefusesTheStart) {
    struct Row {
        int position;
        std::string value;
        std::string named;
    };
    std::vector<Row> rows;
    const std::pair<int, const char*> positions[] = {{2, "program name (parameter 2)"},
                                                     {3, "program version (parameter 3)"},
                                                     {5, "icon file (parameter 5)"},
                                                     {6, "parameter 6"},
                                                     {7, "parameter 7"}};
    for (const auto& [position, named] : positions)
        for (const std::string& value : kControlValues) rows.push_back({position, value, named});
    // Longer than a file name may be; as a version, long enough that "name_version" plus the
    // checks' suffixes is.
    rows.push_back({2, std::string(256, 'n'), "longer than a file name may be"});
    rows.push_back({2, Repeated("П", 128), "longer than a file name may be"});
    rows.push_back({3, std::string(256, 'v'), "longer than a file name may be"});
    rows.push_back({3, std::string(240, 'v'), "make file names longer than a file name may be"});

    for (const bool applicationData : {false, true}) {
        // A file of an earlier run in each place; neither may change.
        WriteFile(app() + "/Settings/Kestrune.ini", StoredFile({}));
        if (applicationData) WriteFile(productFolder() + "/UAUSettings.ini", "");
        WriteFile(productFolder() + "/Prog/Kestrune.ini", StoredFile({}));
        for (const Row& row : rows) {
            SCOPED_TRACE((applicationData ? "Application Data mode, P" : "program-folder mode, P") +
                         std::to_string(row.position) + " " + Shown(row.value));
            std::vector<std::string> params{
                "0", "Prog", "2.0", "English", "/p.ico", "http://127.0.0.1:1/v/", "http://127.0.0.1:1/m/"};
            params[static_cast<std::size_t>(row.position - 1)] = row.value;
            const Tree before = Snapshot(home_.root());
            ExpectRefused(Start(params), before, row.named);
        }
    }
}

TEST_F(HostileStart, ALongNameIsRefusedWhereItsFolderWouldOutgrowTheSystemLimit) {
    // A 100-byte name is fine in an ordinary home ...
    const std::string name(100, 'n');
    const ProcessResult fine = Start({"0", name, "2.0", "English"});
    EXPECT_EQ(fine.exitCode, 0) << fine.err;
    // ... but not where Application Data lies so deep that its folder and files would not fit.
    std::string deep = home_.root() + "/deep";
    while (deep.size() < 3900) deep += "/" + std::string(200, 'd');
    const Tree before = Snapshot(home_.root());
    ExpectRefused(Start({"0", name, "2.0", "English"}, {{"XDG_CONFIG_HOME", deep}}), before,
                  "make paths longer than the system allows");
}

TEST_F(HostileStart, AStoredValueThatCannotBeUsedRefusesTheStartAndKeepsTheFile) {
    struct Row {
        std::string key;
        std::string value;
    };
    std::vector<Row> rows;
    for (const char* key : {"ProName", "ProVer", "IconPatch", "CSIconPatch", "URLtoFile", "URLtoMSG"})
        for (const std::string& value : kStorableControlValues) rows.push_back({key, value});
    rows.push_back({"ProName", std::string(256, 'n')});
    rows.push_back({"ProVer", std::string(256, 'v')});

    for (const auto& [placeName, place] : kPlaces) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(placeName) + ": " + row.key + " " + Shown(row.value));
            const std::string file = Prepare(static_cast<Place>(place), StoredFile({{row.key, row.value}}));
            const std::string stored = ReadFile(file);
            const Tree before = Snapshot(home_.root());
            ExpectRefused(Start({"0", "", "", "English"}), before, "(" + row.key + ")");
            EXPECT_EQ(ReadFile(file), stored);
        }
    }
}

// A stored file that lacks keys would be repaired as it is read (the keys added, the date
// changed, the repaired message shown): a start refused for its values repairs nothing either.
TEST_F(HostileStart, AStoredFileLackingKeysIsNotRepairedByARefusedStart) {
    auto without = [](std::string text, const std::vector<std::string>& keys) {
        for (const std::string& key : keys) {
            const std::size_t line = text.find("\r\n" + key + "=");
            text.erase(line + 2, text.find("\r\n", line + 2) - line);
        }
        return text;
    };
    const std::string text =
        without(StoredFile({{"IconPatch", kStorableControlValues[0]}}), {"URLtoMSG", "CSIconPatch", "Version"});
    ASSERT_EQ(text.find("URLtoMSG"), std::string::npos);
    for (const auto& [placeName, place] : kPlaces) {
        SCOPED_TRACE(placeName);
        const std::string file = Prepare(static_cast<Place>(place), text);
        const Tree before = Snapshot(home_.root());
        ExpectRefused(Start({"0", "", "", "English"}), before, "(IconPatch)");
        EXPECT_EQ(ReadFile(file), text);
    }
    // The same file with a usable value is repaired by the accepted start, message and all.
    const std::string file = Prepare(Place::BesideTheProgram, without(StoredFile({}), {"URLtoMSG", "CSIconPatch"}));
    const ProcessResult accepted = Start({"0", "", "", "English"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_NE(accepted.err.find("message box"), std::string::npos) << accepted.err;
    EXPECT_NE(ReadFile(file).find("URLtoMSG="), std::string::npos);
}

TEST_F(HostileStart, AnAcceptedTakeOverStillMovesTheValuesBesideTheProgram) {
    // The counterpart of the refused take-over: the same files with usable values.
    const std::string file = Prepare(Place::TakenOverFromApplicationData, StoredFile({}));
    const ProcessResult result = Start({"0", "", "", "English"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(FileExists(file));
    EXPECT_NE(ReadFile(app() + "/Settings/Kestrune.ini").find("ProName=\"Prog\""), std::string::npos);
    EXPECT_EQ(ReadFile(app() + "/Settings/UMessages.ini"), "[Settings]\r\n");
}

TEST_F(HostileStart, AFolderNameThatNoProgramCouldHaveIsPassedOver) {
    // Both folders name this executable; the odd one sorts last and would win.
    WriteFile(productFolder() + "/UAUSettings.ini", "");
    WriteFile(productFolder() + "/Prog/Kestrune.ini", StoredFile({}));
    const std::string odd = productFolder() + "/zz\x1b[2J/Kestrune.ini";
    WriteFile(odd, StoredFile({{"ProName", "Odd"}}));
    const std::string oddBytes = ReadFile(odd);
    const ProcessResult result = Start({"0", "", "", "English"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(productFolder() + "/Prog/Kestrune.ini").find("01.01.2020"), std::string::npos)
        << "the values came from Prog and went back there";
    EXPECT_EQ(ReadFile(odd), oddBytes);
    EXPECT_FALSE(FileExists(productFolder() + "/Odd"));
}

// A stored file that cannot be read is reported and kept: the run never saw its values, so it
// does not write its empty ones over them at exit. As root every file is readable, so the
// program then runs as an unprivileged user.
TEST_F(HostileStart, AStoredFileThatCannotBeReadKeepsItsBytes) {
#ifndef KESTRUNE_MODAL_DRIVER
    GTEST_SKIP() << "no window driver in this build (the failure opens the error window)";
#else
    std::vector<std::string> runAs;
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is needed to run as another user";
        runAs = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        // That user may not enter the clone (it may lie in a folder only its owner enters): it runs
        // the copy of the program folder in the scratch home, and a copy of the driver beside it.
        driver_ = home_.root() + "/driver/" + fs::path(driver_).filename().string();
        fs::create_directories(home_.root() + "/driver");
        fs::copy_file(KESTRUNE_MODAL_DRIVER, driver_);
    }
    for (const auto& [placeName, place] : kPlaces) {
        SCOPED_TRACE(placeName);
        const std::string file = Prepare(static_cast<Place>(place), StoredFile({}));
        const std::string stored = ReadFile(file);
        if (geteuid() == 0) {
            for (const auto& entry : fs::recursive_directory_iterator(home_.root()))
                ASSERT_EQ(lchown(entry.path().c_str(), 65534, 65534), 0);
            ASSERT_EQ(chown(home_.root().c_str(), 65534, 65534), 0);
            ASSERT_EQ(chown(file.c_str(), 0, 0), 0);
        }
        ASSERT_EQ(chmod(file.c_str(), 0), 0);
        const ProcessResult result = Start({"0", "", "", "English"}, {{"KESTRUNE_DRIVER_ACTION", "Button3"}}, runAs);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        ASSERT_EQ(chmod(file.c_str(), 0600), 0);
        EXPECT_EQ(ReadFile(file), stored);
        EXPECT_EQ(ReadFile(report()).substr(0, 10), "UFormError") << "the failure is reported";
    }
#endif
}

// An uninstall that cannot remove everything says so: a subfolder of root's (a caller once run
// with sudo) stays, the failure opens the error window and the status is 3; a tree of 3,000
// levels goes whole. As root the program runs as an unprivileged user.
TEST_F(HostileStart, AnUninstallThatCannotRemoveEverythingSaysSo) {
#ifndef KESTRUNE_MODAL_DRIVER
    GTEST_SKIP() << "no window driver in this build (the failure opens the error window)";
#else
    if (geteuid() != 0) GTEST_SKIP() << "a folder of another user can only be made as root";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is needed to run as another user";
    const std::vector<std::string> runAs{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    driver_ = home_.root() + "/driver/" + fs::path(driver_).filename().string();
    fs::create_directories(home_.root() + "/driver");
    fs::copy_file(KESTRUNE_MODAL_DRIVER, driver_);
    const std::string folder = productFolder() + "/Prog";
    WriteFile(folder + "/Kestrune.ini", StoredFile({}));
    for (const auto& entry : fs::recursive_directory_iterator(home_.root()))
        ASSERT_EQ(lchown(entry.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(home_.root().c_str(), 65534, 65534), 0);
    // Deeper than any path may be long: made and given away level by level.
    const std::string deep = productFolder() + "/Deep";
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    ASSERT_EQ(chown(deep.c_str(), 65534, 65534), 0);
    int fd = open(deep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 3000 && fd >= 0; ++level) {
        ASSERT_EQ(mkdirat(fd, "d", 0700), 0);
        ASSERT_EQ(fchownat(fd, "d", 65534, 65534, AT_SYMLINK_NOFOLLOW), 0);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    close(fd);
    WriteFile(folder + "/sudo/state", "root's");  // made as root, after the rest was given away
    WriteFile(folder + "/sudo/\x1b[2J", "");      // a name that would clear the terminal it is shown on

    const ProcessResult refused = Start({"uninstall", "Prog"}, {{"KESTRUNE_DRIVER_ACTION", "Button3"}}, runAs);
    EXPECT_FALSE(refused.timedOut);
    EXPECT_EQ(refused.exitCode, 3) << refused.err;
    EXPECT_NE(refused.err.find("could not be removed"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("sudo/\\x1b[2J"), std::string::npos) << "the entries that stayed are named escaped";
    EXPECT_EQ(refused.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(ReadFile(report()).substr(0, 10), "UFormError") << "the failure is reported";
    EXPECT_EQ(ReadFile(folder + "/sudo/state"), "root's");
    EXPECT_FALSE(FileExists(folder + "/Kestrune.ini"));

    const ProcessResult removed = Start({"uninstall", "Deep"}, {}, runAs);
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_FALSE(fs::exists(productFolder() + "/Deep"));
    EXPECT_FALSE(FileExists(report())) << "no window: " << ReadFile(report());
#endif
}

// A real box (the settings-repaired warning, closed by the driver) leaves nothing on stderr but
// what the offscreen platform itself says.
TEST_F(HostileStart, AMessageBoxPrintsNoWarningOnStderr) {
#ifndef KESTRUNE_MODAL_DRIVER
    GTEST_SKIP() << "no window driver in this build";
#else
    WriteFile(app() + "/Settings/Kestrune.ini",
              "[Main]\r\nFile=<Kestrune Settings File>\r\nVersion=01.00\r\n\r\n[Settings]\r\nProName=\"Prog\"\r\n");
    std::map<std::string, std::string> env{{"KESTRUNE_MESSAGEBOX_ANSWER", ""}};
    const ProcessResult result = Start({"0", "", "", "English"}, env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(report()).find("|"), std::string::npos) << "the box was shown";
    EXPECT_EQ(result.err.find("requestActivate"), std::string::npos) << result.err;
#endif
}

}  // namespace
