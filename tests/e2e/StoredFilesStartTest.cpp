// Whole starts beside files that someone else put under the program's folders: a registry store
// that is no readable plain file holds no start and opens no window, and the temporaries that
// killed writes left are gone after the next start.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "tests/support/TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class StoredFilesStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(AppDir().empty());
        CopyTree(AppDir(), app());
    }
    std::string app() const { return home_.root() + "/app"; }
    std::string productFolder() const { return home_.appData() + "/KV.Kestrune"; }
    std::string report() const { return home_.root() + "/driver-report"; }

    // A start whose job ends at its first tick, offline; where the window driver can be preloaded
    // it reports any modal window (and closes it).
    ProcessResult Start(const std::string& program) {
        std::remove(report().c_str());
        std::map<std::string, std::string> env{
            {"KESTRUNE_MESSAGEBOX_ANSWER", "1"}, {"KESTRUNE_INTERNET", "0"}, {"QT_QPA_PLATFORM", "offscreen"}};
#ifdef KESTRUNE_MODAL_DRIVER
        env["LD_PRELOAD"] = KESTRUNE_MODAL_DRIVER;
        env["KESTRUNE_DRIVER_REPORT"] = report();
        env["KESTRUNE_DRIVER_ACTION"] = "Esc";
#endif
        return RunProcess({app() + "/KV.Kestrune", "0", program, "2.0", "English"}, env, 30000);
    }

    IsolatedHome home_;
};

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Whatever stands in a store's place, the start does its job (the calling program's settings are
// stored) within its deadline, tells of the store once, shows no window and logs no failure.
TEST_F(StoredFilesStart, AStoreThatIsNoReadablePlainFileHoldsNoStartAndOpensNoWindow) {
    struct Case {
        const char* label;
        std::function<void(const std::string&)> make;
    };
    const std::vector<Case> cases{
        {"a pipe", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }},
        {"a link to a device", [](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); }},
        {"a folder", [](const std::string& f) { fs::create_directories(f); }},
        {"over the limit",
         [](const std::string& f) {
             WriteFile(f, "KV.Kestrune registry 1\n[Big]\nv=3:" + std::string(100u << 20, 'x') + "\n");
         }},
        // Root reads any file whatever its mode; a link to itself cannot be read by anyone.
        {"unreadable", [](const std::string& f) { ASSERT_EQ(symlink(fs::path(f).filename().c_str(), f.c_str()), 0); }},
    };
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(root) + ", " + c.label);
            const std::string store = home_.registry() + "/" + root + ".reg";
            c.make(store);
            const fs::file_type type = fs::symlink_status(store).type();
            fs::remove(app() + "/Settings/Kestrune.ini");

            const ProcessResult result = Start("Quick");
            EXPECT_FALSE(result.timedOut) << "the start was held";
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_NE(ReadFile(app() + "/Settings/Kestrune.ini").find("ProName=\"Quick\""), std::string::npos)
                << "the job was done";
            EXPECT_EQ(Count(result.err, "KV.Kestrune: the registry store " + store), 1) << result.err;
            EXPECT_FALSE(FileExists(app() + "/ErrorLog/Error.Log")) << ReadFile(app() + "/ErrorLog/Error.Log");
            EXPECT_FALSE(FileExists(report())) << "a window opened: " << ReadFile(report());
            EXPECT_EQ(fs::symlink_status(store).type(), type) << "the store is left as it is";
            fs::remove_all(store);
        }
    }
}

// What a write killed between the temporary's open and its rename leaves (the hidden temporary,
// named after the file, the writer's process and a number) is gone after the next start, in the
// settings folder of either mode and across a move between them; a fresh one, which may belong to
// a writer that still runs, and other programs' files stay where they are.
TEST_F(StoredFilesStart, TemporariesOfKilledWritesAreGoneAfterTheNextStart) {
    const std::string settings = app() + "/Settings";
    const std::string appDataSettings = productFolder() + "/Prog";
    auto plant = [](const std::string& folder) {
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
        for (const char* name : {".ULangSettings.ini.2972.3891768319.tmp", ".Kestrune.ini.31337.7.tmp", ".other.tmp"}) {
            WriteFile(folder + "/" + name, "partial");
            fs::last_write_time(folder + "/" + name, old);
        }
        WriteFile(folder + "/.ECounter.ini.4242.12.tmp", "being written");
    };
    auto hidden = [](const std::string& folder) {
        std::vector<std::string> names;
        if (!fs::is_directory(folder)) return names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.front() == '.') names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> kept{".ECounter.ini.4242.12.tmp", ".other.tmp"};

    // Beside the program; then the same once the files live under Application Data.
    plant(settings);
    ProcessResult result = Start("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(hidden(settings), kept);

    fs::remove_all(settings);
    WriteFile(productFolder() + "/UAUSettings.ini", "");
    plant(appDataSettings);
    result = Start("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(hidden(appDataSettings), kept);

    // Moved back beside the program: no temporary travels along (a half-written file is no part
    // of the settings), and the old folder goes with all that was in it.
    fs::remove(productFolder() + "/UAUSettings.ini");
    fs::remove_all(appDataSettings);
    plant(appDataSettings);
    result = Start("Prog");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(fs::exists(appDataSettings));
    EXPECT_EQ(hidden(settings), std::vector<std::string>{".other.tmp"});
}

}  // namespace
