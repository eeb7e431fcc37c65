// The check for other running copies: the named mutexes and the list of running copies in the
// user's runtime folder, the warning that names the other copy's version, and its texts.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "foundation/CheckOneCopyLaunch.h"
#include "foundation/UnitVAR.h"
#include "platform/Environment.h"
#include "tests/foundation/FoundationFixture.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::WriteFile;

namespace {

const std::string kNewer = "Уже запущена более новая версия программы!";
const std::string kOlder = "Уже запущена более старая версия программы!";
const std::string kSame = "Уже запущена эта же версия программы!";

// Another copy as the check sees it: its window in the list and the two mutexes it holds.
struct OtherCopy {
    OtherCopy(const std::string& version, const std::string& className = "QWidget", bool withWindow = true) {
        bool existed = false;
        if (withWindow) window = PublishRunningCopy(className, version);
        versionMutex = OpenNamedMutex("KV.Kestrune " + version, existed);
        genericMutex = OpenNamedMutex("KV.Kestrune", existed);
    }
    std::unique_ptr<RunningCopyEntry> window;
    std::unique_ptr<NamedMutex> versionMutex, genericMutex;
};

class SingleInstance : public FoundationFixture {
protected:
    void SetUp() override {
        FoundationFixture::SetUp();
        platform::SetCommandLineForTesting(std::vector<std::string>{"KV.Kestrune"});
        OtherInstanceCount = 0;
        owner_ = std::make_unique<QWidget>();
    }
    void TearDown() override {
        owner_.reset();
        OtherInstanceCount = 0;
        platform::SetCommandLineForTesting(std::nullopt);
        FoundationFixture::TearDown();
    }
    // A runtime folder of its own: this process keeps every mutex it opened, as a copy does.
    void FreshRuntime() {
        runtimes_.push_back(std::make_unique<testsupport::ScratchFolder>());
        env_.Set("XDG_RUNTIME_DIR", runtimes_.back()->path());
    }
    bool Check(bool notify = false) { return CheckSingleInstance(notify, owner_.get(), owner_.get()); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const std::string& name : platform::ListDirectory(RunningCopiesFolder() + "/copies"))
            if (name.find(".copy") != std::string::npos) names.push_back(name);
        return names;
    }

    std::unique_ptr<QWidget> owner_;
    std::vector<std::unique_ptr<testsupport::ScratchFolder>> runtimes_;
    testsupport::ScopedEnv env_;
};

TEST_F(SingleInstance, NoOtherCopyAnswersTrueAndListsThisWindowWhileItLives) {
    EXPECT_TRUE(Check());
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(Entries().size(), 1u);
    // Another copy of this version now finds this one.
    {
        bool existed = false;
        auto mutex = OpenNamedMutex(std::string("KV.Kestrune ") + kProgramVersionTag, existed);
        EXPECT_TRUE(existed);
    }
    owner_.reset();
    EXPECT_TRUE(Entries().empty());
}

TEST_F(SingleInstance, SameVersionRunningIsNotedSilently) {
    OtherCopy other(kProgramVersionTag);
    EXPECT_FALSE(Check());
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_TRUE(other.window->TakeMessages().empty());
    EXPECT_TRUE(errors.empty());
}

// The warning says what really runs, not "newer" for every other version.
TEST_F(SingleInstance, OtherVersionRunningShowsWhetherItIsNewerOlderOrTheSame) {
    const struct {
        const char* version;
        const std::string& text;
    } cases[] = {
        {"1.0.4.0.lang", kNewer},   {"1.0.10.2k.lang", kNewer}, {"2", kNewer},
        {"1.0.3.1k.lang", kOlder},  {"1.0.3.2a.lang", kOlder},  {"0.9.9.9", kOlder},
        {"1.00.03.2K.LANG", kSame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        MessageBoxRecorder recorder;
        FreshRuntime();
        owner_ = std::make_unique<QWidget>();
        OtherCopy other(c.version);
        EXPECT_FALSE(Check());
        ASSERT_EQ(recorder.calls().size(), 1u);
        EXPECT_EQ(recorder.calls()[0].text, c.text);
        EXPECT_EQ(recorder.calls()[0].caption, "KV.Kestrune 1.0.3.2k.lang - Warning...");
        EXPECT_EQ(recorder.calls()[0].owner, owner_.get());
        EXPECT_EQ(recorder.calls()[0].flags, kMbSystemModal | kMbIconWarning);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(SingleInstance, EveryWindowOfAnotherVersionGetsItsOwnBox) {
    OtherCopy newer("1.1");
    OtherCopy older("1.0");
    EXPECT_FALSE(Check());
    ASSERT_EQ(boxes.calls().size(), 2u);
    std::vector<std::string> texts{boxes.calls()[0].text, boxes.calls()[1].text};
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected{kNewer, kOlder};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
}

TEST_F(SingleInstance, CasesThatFindNoOtherCopy) {
    struct Case {
        const char* name;
        std::function<std::vector<std::unique_ptr<OtherCopy>>()> others;
        std::vector<std::string> commandLine;
    };
    auto one = [](OtherCopy* copy) {
        std::vector<std::unique_ptr<OtherCopy>> list;
        list.emplace_back(copy);
        return list;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"restart switch, any letter case", [&] { return one(new OtherCopy("1.1")); }, {"KV.Kestrune", "/ErrorReLaunch"}},
        {"mutexes held, no window yet", [&] { return one(new OtherCopy("1.1", "QWidget", false)); }, {"KV.Kestrune"}},
        {"window of another class", [&] { return one(new OtherCopy("1.1", "TFormOther")); }, {"KV.Kestrune"}},
        {"restart switch only as the first parameter", [&] { return one(new OtherCopy("1.1", "TFormOther")); },
         {"KV.Kestrune", "1", "/errorrelaunch"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder;
        FreshRuntime();
        platform::SetCommandLineForTesting(c.commandLine);
        owner_ = std::make_unique<QWidget>();
        const auto others = c.others();
        EXPECT_TRUE(Check());
        EXPECT_TRUE(recorder.calls().empty());
    }
    EXPECT_TRUE(errors.empty());
}

// A copy that died leaves an entry and mutex files whose locks the kernel has dropped.
TEST_F(SingleInstance, LeftoversOfACopyThatDiedNeverBlock) {
    const std::string folder = RunningCopiesFolder();
    const std::string dead = "KV.Kestrune running copy 1\nclass=QWidget\nversion=9.9\npid=999999\n";
    WriteFile(folder + "/copies/999999-1.copy", dead);
    WriteFile(folder + "/copies/999999-1.messages", "1027\n");
    {
        OtherCopy gone("9.9");  // opened and closed again, as by a copy that ended
    }
    EXPECT_TRUE(Check());
    EXPECT_TRUE(boxes.calls().empty());

    // While a live copy holds the mutexes (no window yet), the walk clears the dead entry away.
    FreshRuntime();
    owner_ = std::make_unique<QWidget>();
    const std::string fresh = RunningCopiesFolder();
    WriteFile(fresh + "/copies/999999-1.copy", dead);
    WriteFile(fresh + "/copies/999999-1.messages", "1027\n");
    OtherCopy starting("9.9", "QWidget", false);
    EXPECT_TRUE(Check());
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_FALSE(FileExists(fresh + "/copies/999999-1.copy"));
    EXPECT_FALSE(FileExists(fresh + "/copies/999999-1.messages"));
    EXPECT_EQ(Entries().size(), 1u);  // this window's own
    EXPECT_TRUE(errors.empty());
}

// Copies killed at any step leave their entries; the next start clears them away even when no
// other copy runs, and leaves an entry being made by a process that still runs.
TEST_F(SingleInstance, EntriesOfKilledCopiesAreGoneAfterTheNextStart) {
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string copies = RunningCopiesFolder() + "/copies";
    const std::string dead = std::to_string(gone);
    const std::string live = std::to_string(getpid());
    WriteFile(copies + "/" + dead + "-1.copy", "KV.Kestrune running copy 1\nclass=QWidget\nversion=9.9\n");
    WriteFile(copies + "/" + dead + "-1.messages", "1027\n");
    WriteFile(copies + "/" + dead + "-2.tmp", "");
    WriteFile(copies + "/" + live + "-99.tmp", "");
    // A name whose number no process id can be opens no process: nobody's entry to clear.
    const std::string noProcess = copies + "/9999999999-1.tmp";
    WriteFile(noProcess, "");
    EXPECT_TRUE(Check());
    for (const char* name : {"-1.copy", "-1.messages", "-2.tmp"}) EXPECT_FALSE(FileExists(copies + "/" + dead + name));
    EXPECT_TRUE(FileExists(copies + "/" + live + "-99.tmp"));
    EXPECT_TRUE(FileExists(noProcess));
    EXPECT_EQ(Entries().size(), 1u);  // this window's own
    EXPECT_TRUE(errors.empty());
}

// Of several copies opening a mutex at once exactly one creates it; each of the others finds
// it there, however their steps interleave.
TEST_F(SingleInstance, OfCopiesOpeningAtOnceExactlyOneCreatesTheMutex) {
    RunningCopiesFolder();
    for (int round = 0; round < 30; ++round) {
        const std::string name = "KV.Kestrune race " + std::to_string(round);
        constexpr int kCopies = 8;
        int go[2], results[2], done[2];
        ASSERT_EQ(pipe(go), 0);
        ASSERT_EQ(pipe(results), 0);
        ASSERT_EQ(pipe(done), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < kCopies; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                close(go[1]);
                close(results[0]);
                close(done[1]);
                char byte = 0;
                (void)!read(go[0], &byte, 1);  // released when the parent closes its end
                bool existed = true;
                std::unique_ptr<NamedMutex> mutex;
                try {
                    mutex = OpenNamedMutex(name, existed);
                    byte = existed ? 'e' : 'c';
                } catch (...) {
                    byte = 'x';
                }
                (void)!write(results[1], &byte, 1);
                (void)!read(done[0], &byte, 1);  // holds the mutex until every copy has answered
                _exit(0);
            }
            children.push_back(pid);
        }
        close(go[0]);
        close(results[1]);
        close(done[0]);
        close(go[1]);
        std::string answers;
        char byte = 0;
        while (answers.size() < kCopies && read(results[0], &byte, 1) == 1) answers += byte;
        close(done[1]);
        close(results[0]);
        for (const pid_t pid : children) waitpid(pid, nullptr, 0);
        EXPECT_EQ(std::count(answers.begin(), answers.end(), 'c'), 1) << name << ": " << answers;
        EXPECT_EQ(std::count(answers.begin(), answers.end(), 'e'), kCopies - 1) << name << ": " << answers;
    }
}

// Handles of one copy to one name: each after the first finds the mutex there.
TEST_F(SingleInstance, ManyHandlesOfOneCopyEachFindTheMutex) {
    std::vector<std::unique_ptr<NamedMutex>> handles;
    for (int i = 0; i < 12; ++i) {
        bool existed = false;
        handles.push_back(OpenNamedMutex("KV.Kestrune many", existed));
        EXPECT_EQ(existed, i > 0) << i;
    }
}

TEST_F(SingleInstance, NotifyTellsTheOtherCopysWindow) {
    OtherCopy same(kProgramVersionTag);
    EXPECT_FALSE(Check(true));
    EXPECT_EQ(same.window->TakeMessages(), std::vector<int>{1027});
    EXPECT_TRUE(same.window->TakeMessages().empty());
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_TRUE(errors.empty());
}

// A sibling program's window hears 1025; with Notify the generic test runs all the same.
TEST_F(SingleInstance, NotifyTellsASiblingsWindowAndStillWarns) {
    OtherInstanceCount = 1;
    OtherInstanceNames[0] = "Sibling";
    OtherCopy sibling("2.0");
    bool existed = false;
    auto siblingMutex = OpenNamedMutex("KV.Kestrune Sibling", existed);
    EXPECT_FALSE(Check(true));
    EXPECT_EQ(sibling.window->TakeMessages(), std::vector<int>{1025});
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, kNewer);
    EXPECT_TRUE(errors.empty());
}

// Copies meet only in a folder of this user that nobody else may enter. A place that another user
// owns, opens or points elsewhere is passed over for the next one (TEMP, then the user's cache)
// and left as it is; where there is none at all, the check is left out without an error window.
TEST_F(SingleInstance, CopiesMeetOnlyInAPrivateFolderWhereverOthersGotFirst) {
    const std::string uid = std::to_string(geteuid());
    enum class Meets { InTemp, InCache, Nowhere };
    struct Case {
        const char* label;
        bool runtimeVariable;
        std::function<bool(const std::string& scratch)> plant;  // false: cannot be made here
        Meets meets;
    };
    auto takenBy = [](const std::string& folder, uid_t owner, mode_t mode) {
        std::filesystem::create_directories(folder);
        return chmod(folder.c_str(), mode) == 0 && (owner == geteuid() || chown(folder.c_str(), owner, owner) == 0);
    };
    // clang-format off
    const std::vector<Case> cases{
        {"the runtime folder's place open to others", true,
         [&](const std::string& s) { return takenBy(s + "/run/KV.Kestrune", geteuid(), 0777); }, Meets::InTemp},
        {"the runtime folder's place owned by another user", true,
         [&](const std::string& s) { return geteuid() == 0 && takenBy(s + "/run/KV.Kestrune", 65534, 0700); },
         Meets::InTemp},
        {"the runtime folder's place a link", true,
         [&](const std::string& s) {
             return takenBy(s + "/elsewhere", geteuid(), 0700) &&
                    symlink((s + "/elsewhere").c_str(), (s + "/run/KV.Kestrune").c_str()) == 0;
         },
         Meets::InTemp},
        {"the runtime folder's copies a link", true,
         [&](const std::string& s) {
             return takenBy(s + "/run/KV.Kestrune", geteuid(), 0700) && takenBy(s + "/elsewhere", geteuid(), 0700) &&
                    symlink((s + "/elsewhere").c_str(), (s + "/run/KV.Kestrune/copies").c_str()) == 0;
         },
         Meets::InTemp},
        {"the runtime folder's copies owned by another user", true,
         [&](const std::string& s) {
             return geteuid() == 0 && takenBy(s + "/run/KV.Kestrune", geteuid(), 0700) &&
                    takenBy(s + "/run/KV.Kestrune/copies", 65534, 0700);
         },
         Meets::InTemp},
        {"no runtime variable and TEMP's place owned by another user", false,
         [&](const std::string& s) { return geteuid() == 0 && takenBy(s + "/tmp/kestrune-" + uid, 65534, 0700); },
         Meets::InCache},
        {"no runtime variable and TEMP's place open to others", false,
         [&](const std::string& s) { return takenBy(s + "/tmp/kestrune-" + uid, geteuid(), 0777); }, Meets::InCache},
        {"no runtime variable, TEMP's place open to others and no cache folder", false,
         [&](const std::string& s) {
             testsupport::WriteFile(s + "/cache", "a file");
             return takenBy(s + "/tmp/kestrune-" + uid, geteuid(), 0777);
         },
         Meets::Nowhere},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::ScratchFolder scratch;
        for (const char* folder : {"run", "tmp"}) std::filesystem::create_directories(scratch / folder);
        ASSERT_EQ(chmod((scratch / "run").c_str(), 0700), 0);
        testsupport::ScopedEnv env;
        env.Set("XDG_RUNTIME_DIR", c.runtimeVariable ? std::optional(scratch / "run") : std::nullopt);
        env.Set("TEMP", scratch / "tmp");
        env.Set("XDG_CACHE_HOME", scratch / "cache");
        if (!c.plant(scratch.path())) {
            std::printf("skipped: %s needs another user\n", c.label);
            continue;
        }
        const auto planted = [&] {
            std::vector<std::string> found;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.path())) {
                struct stat st {};
                lstat(entry.path().c_str(), &st);
                found.push_back(entry.path().string() + " " + std::to_string(st.st_mode) + " " +
                                std::to_string(st.st_uid));
            }
            std::sort(found.begin(), found.end());
            return found;
        };
        const std::vector<std::string> before = planted();
        owner_ = std::make_unique<QWidget>();
        errors.clear();
        if (c.meets == Meets::Nowhere) {
            EXPECT_EQ(RunningCopiesFolder(), "");
            EXPECT_TRUE(Check());
            EXPECT_EQ(planted(), before) << "nothing was made";
        } else {
            const std::string expected =
                (c.meets == Meets::InTemp ? scratch / "tmp" : scratch / "cache") + "/kestrune-" + uid;
            EXPECT_EQ(RunningCopiesFolder(), expected);
            OtherCopy same(kProgramVersionTag);
            EXPECT_FALSE(Check()) << "the copies met";
            struct stat st {};
            ASSERT_EQ(lstat(expected.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0700u);
            const std::vector<std::string> after = planted();
            EXPECT_TRUE(std::includes(after.begin(), after.end(), before.begin(), before.end()))
                << "the planted places are left as they are";
        }
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_TRUE(boxes.calls().empty());
    }
}

TEST_F(SingleInstance, WithoutRuntimeDirTheListLivesInAPrivateFolderInTemp) {
    testsupport::ScopedEnv env;
    env.Set("XDG_RUNTIME_DIR", std::nullopt);
    const std::string folder = RunningCopiesFolder();
    EXPECT_EQ(folder, platform::GetEnv("TEMP") + "/kestrune-" + std::to_string(geteuid()));
    OtherCopy same(kProgramVersionTag);
    EXPECT_FALSE(Check());
}

class OneCopyTexts : public FoundationFixture {
protected:
    void Language(const std::string& name) {
        WriteFile(programSettings() + "/ULangSettings.ini", "[Settings]\r\nLanguage=" + name + "\r\n");
    }
    std::string languageFolder(const std::string& name) const { return app() + "/Language/" + name; }
};

TEST_F(OneCopyTexts, TextComesFromTheStoredLanguagesFile) {
    struct Case {
        const char* name;
        std::string language;
        bool pack;
        std::string lines;
        int message;
        std::string expected;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"key in lower case", "English", true, "id1=Newer!\r\n", 1, "Newer!"},
        {"the later line wins", "English", true, "ID1=first\nID1=second\n", 1, "second"},
        {"comment with //", "English", true, "//ID1=commented\n", 1, kNewer},
        {"comment with \\\\", "English", true, "\\\\ID1=commented\n", 1, kNewer},
        {"text kept as it stands", "English", true, "ID2= spaced = out \n", 2, " spaced = out "},
        {"the same-version text", "English", true, "ID3=Same here\n", 3, "Same here"},
        {"no such key", "English", true, "ID12=twelve\n", 1, kNewer},
        {"no pack file", "English", false, "ID1=Newer!\n", 1, kNewer},
        {"Russian in other letters skips the pack test", "RUSSIAN", false, "ID1=from Russian file\n", 1,
         "from Russian file"},
        {"exactly Russian reads nothing", "Russian", false, "ID1=from Russian file\n", 1, kNewer},
        {"a name that leads out of the Language folder", "../English", true, "ID1=Newer!\n", 1, kNewer},
        {"message 0", "English", true, "ID0=zero\n", 0, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ScratchFolder fresh;
        platform::SetExecutablePathForTesting(fresh / "KV.Kestrune");
        WriteFile(fresh / "Settings/ULangSettings.ini", "[Settings]\r\nLanguage=" + c.language + "\r\n");
        const std::string folder = c.language == "../English" ? "English" : c.language;
        WriteFile(fresh / ("Language/" + folder + "/UOCL_Language.txt"), c.lines);
        if (c.pack) WriteFile(fresh / ("Language/" + folder + "/" + folder + ".txt"), "English\n");
        EXPECT_EQ(GetOneCopyMessage(c.message), c.expected);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(OneCopyTexts, WithoutStoredLanguageTheTextIsRussian) {
    WriteFile(languageFolder("English") + "/English.txt", "English\n");
    WriteFile(languageFolder("English") + "/UOCL_Language.txt", "ID1=Newer!\n");
    EXPECT_EQ(GetOneCopyMessage(1), kNewer);
    WriteFile(programSettings() + "/ULangSettings.ini", "[Settings]\r\nOther=1\r\n");
    EXPECT_EQ(GetOneCopyMessage(1), kNewer);
    Language("English");
    EXPECT_EQ(GetOneCopyMessage(1), "Newer!");
}

// The texts that ship with the program.
TEST_F(OneCopyTexts, ShippedEnglishTextsNameEachComparison) {
    const std::string shipped =
        testsupport::ReadFile(testsupport::SourceDir() + "/resources/Language/English/UOCL_Language.txt");
    WriteFile(languageFolder("English") + "/UOCL_Language.txt", shipped);
    WriteFile(languageFolder("English") + "/English.txt", "English\n");
    Language("English");
    EXPECT_EQ(GetOneCopyMessage(1), "A newer version of the program is already running!");
    EXPECT_EQ(GetOneCopyMessage(2), "An older version of the program is already running!");
    EXPECT_EQ(GetOneCopyMessage(3), "The same version of the program is already running!");
}

TEST(VersionTags, CompareByNumberThenText) {
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"1.0.3.2k.lang", "1.0.3.2k.lang", 0},
        {"1.0.10", "1.0.9", 1},
        {"1.0.9", "1.0.10", -1},
        {"1.0", "1.0.0", 0},
        {"1.0", "1.0.1", -1},
        {"01.2", "1.2", 0},
        {"1.0.3.2k", "1.0.3.2", 1},
        {"1.0.3.2K", "1.0.3.2k", 0},
        {"", "", 0},
        {"99999999999999999999.1", "99999999999999999998.9", 1},
        {"v1.0", "1.0", 0},
        {"1.0", "1.0a", -1},
        {"1.0b", "1.1", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const int order = CompareVersionTags(c.a, c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order);
        const int reverse = CompareVersionTags(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.order);
    }
}

// The language's companion file read as a pack is: a folder is none, a pipe or a device link is
// reported at once instead of holding the start.
TEST_F(SingleInstance, CompanionFileThatIsNoPlainFileNeverHoldsTheStart) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        std::string entry;
        std::vector<std::string> codes;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"plain", [](const std::string& f) { testsupport::WriteFile(f, "// c\r\nID1=Newer copy running\r\n"); },
         "Newer copy running", {}},
        {"folder", [](const std::string& f) { std::filesystem::create_directories(f); }, "", {}},
        {"pipe", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, "", {"COL.002-01"}},
        {"device link", [](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); }, "",
         {"COL.002-01"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = app() + "/Language/Tested";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        c.make(folder + "/UOCL_Language.txt");
        errors.clear();
        EXPECT_EQ(ReadLanguageEntry("Tested", 1), c.entry);
        EXPECT_EQ(errors, c.codes);
    }
}

}  // namespace
