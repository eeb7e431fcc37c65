// The versioned settings files: create, open, typed reads with defaults and bounds, repairs and
// their message, the close, and the recording of values for the error log.
#include <sys/stat.h>

#include <QDate>
#include <QLocale>

#include "platform/Clock.h"
#include "tests/foundation/FoundationFixture.h"

using namespace kestrune;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class SettingsFiles : public FoundationFixture {
protected:
    void SetUp() override {
        FoundationFixture::SetUp();
        InitSettingsLocation(true, "", nullptr);  // program-folder mode, empty recording lists
    }
    std::string path(const std::string& name) const { return programSettings() + "/" + name + ".ini"; }
    std::string Main(const std::string& title, const std::string& date = ShortDateText()) const {
        return "[Main]\r\nFile=<" + title + ">\r\nVersion=01.00\r\nDate=" + date + "\r\n";
    }
    void Store(const std::string& name, const std::string& settings) {
        WriteFile(path(name), Main("T", "01.01.2000") + "\r\n[Settings]\r\n" + settings);
    }
};

TEST_F(SettingsFiles, CreateWritesMainAndTheValuesAsStored) {
    WriteFile(path("UAUSettings"), "[Old]\r\nGone=1\r\n");
    CreateSettingsFile("UAUSettings", "01.00", "UAutoUpdate Settings File");
    WriteSettingBool("Settings", "UUCheckEnabled", true);
    WriteSettingInteger("Settings", "UIntervalAUCheck", -2);
    WriteSettingString("Settings", "Name", "  blanks and \"quotes\"  ");
    WriteSettingString("Settings", "Empty", "");
    CloseSettingsFile(nullptr);

    EXPECT_EQ(ReadFile(path("UAUSettings")), Main("UAutoUpdate Settings File") +
                                                 "\r\n[Settings]\r\n"
                                                 "UUCheckEnabled=1\r\n"
                                                 "UIntervalAUCheck=-2\r\n"
                                                 "Name=\"  blanks and \"quotes\"  \"\r\n"
                                                 "Empty=\"\"\r\n");
    EXPECT_TRUE(boxes.calls().empty()) << "writes are never counted as repairs";
    EXPECT_TRUE(errors.empty());

    ASSERT_TRUE(OpenSettingsFile("UAUSettings", "01.00"));
    bool optional = false;
    EXPECT_EQ(ReadSettingString("Settings", "Name", "x", optional), "  blanks and \"quotes\"  ");
    EXPECT_EQ(ReadSettingString("Settings", "Empty", "x", optional), "");
    EXPECT_TRUE(ReadSettingBool("Settings", "UUCheckEnabled", false));
    EXPECT_EQ(ReadSettingInteger("Settings", "UIntervalAUCheck", 2, -5, 6), -2);
    CloseSettingsFile(nullptr);
    EXPECT_EQ(SettingsReadCount, 4);
    EXPECT_EQ(SettingsCorrectionCount, 0);
    EXPECT_TRUE(boxes.calls().empty());
}

// A file the user made private stays private however the program rewrites it: a repair at the
// open, or a create that replaces the whole file.
TEST_F(SettingsFiles, ARewrittenFileKeepsItsMode) {
    for (const mode_t mode : {0600, 0640}) {
        SCOPED_TRACE(mode);
        Store("ULangSettings", "Language=\"English\"\r\n");
        ASSERT_EQ(chmod(path("ULangSettings").c_str(), mode), 0);
        ASSERT_TRUE(OpenSettingsFile("ULangSettings", "01.00"));
        EXPECT_EQ(ReadSettingInteger("Settings", "Missing", 2, 0, 6), 2);  // repaired in the file
        CloseSettingsFile(nullptr);
        struct stat st {};
        ASSERT_EQ(stat(path("ULangSettings").c_str(), &st), 0);
        EXPECT_NE(ReadFile(path("ULangSettings")).find("Missing=2"), std::string::npos);
        EXPECT_EQ(st.st_mode & 0777, mode);

        CreateSettingsFile("ULangSettings", "01.00", "T");
        WriteSettingString("Settings", "Language", "Russian");
        CloseSettingsFile(nullptr);
        ASSERT_EQ(stat(path("ULangSettings").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode);
    }
    EXPECT_TRUE(errors.empty());
}

// A created file reaches the disk once, whole: until its close the earlier file is what a crash
// would leave, never a header without the values; a new file does not exist before its close.
TEST_F(SettingsFiles, CreatedFileIsWrittenWholeAtItsClose) {
    Store("Kestrune", "ProName=\"Old\"\r\n");
    const std::string earlier = ReadFile(path("Kestrune"));
    CreateSettingsFile("Kestrune", "01.00", "Kestrune Settings File");
    WriteSettingString("Settings", "ProName", "New");
    EXPECT_EQ(ReadFile(path("Kestrune")), earlier);
    CreateSettingsFile("Fresh", "01.00", "T");
    EXPECT_NE(ReadFile(path("Kestrune")).find("ProName=\"New\""), std::string::npos)
        << "creating the next file writes the one before";
    EXPECT_FALSE(FileExists(path("Fresh")));
    CloseSettingsFile(nullptr);
    EXPECT_EQ(ReadFile(path("Fresh")), Main("T"));
    EXPECT_TRUE(errors.empty());

    // A folder in the file's place is reported by the create itself, and again by the close.
    ASSERT_TRUE(platform::CreateDirectories(path("Taken")));
    CreateSettingsFile("Taken", "01.00", "T");
    WriteSettingInteger("Settings", "K", 1);
    CloseSettingsFile(nullptr);
    EXPECT_EQ(errors, (std::vector<std::string>{"URG.003-01", "URG.011-01"}));
    EXPECT_TRUE(platform::IsDirectory(path("Taken")));
}

// Storing what the file already holds does not write it again (each write waits for the disk);
// any difference, a repaired value included, does.
TEST_F(SettingsFiles, AFileThatAlreadyHoldsTheValuesIsNotWrittenAgain) {
    auto inode = [&](const std::string& name) {
        struct stat st {};
        return ::stat(path(name).c_str(), &st) == 0 ? st.st_ino : ino_t{0};
    };
    auto store = [](const std::string& value) {
        CreateSettingsFile("ULangSettings", "01.00", "T");
        WriteSettingString("Settings", "Language", value);
        CloseSettingsFile(nullptr);
    };
    store("English");
    const ino_t first = inode("ULangSettings");
    ASSERT_NE(first, ino_t{0});
    store("English");
    EXPECT_EQ(inode("ULangSettings"), first);

    store("Russian");
    EXPECT_NE(inode("ULangSettings"), first);
    EXPECT_NE(ReadFile(path("ULangSettings")).find("Language=\"Russian\""), std::string::npos);

    const ino_t beforeRepair = inode("ULangSettings");
    ASSERT_TRUE(OpenSettingsFile("ULangSettings", "01.00"));
    bool optional = false;
    ReadSettingString("Settings", "Missing", "added", optional);
    CloseSettingsFile(nullptr);
    EXPECT_NE(inode("ULangSettings"), beforeRepair);
    EXPECT_NE(ReadFile(path("ULangSettings")).find("Missing=added"), std::string::npos);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsFiles, IntegerReadsRepairWhatIsMissingOrOutOfBounds) {
    struct Case {
        const char* stored;  // nullptr: the key is missing
        int min, max;
        int expected;
        bool repaired;
        std::string fileAfter;  // the key's line afterwards
    };
    const Case cases[] = {
        {nullptr, 0, 6, 2, true, "K=2"},
        {"7", 0, 6, 2, true, "K=2"},
        {"-1", 0, 6, 2, true, "K=2"},
        {"0", 0, 6, 0, false, "K=0"},
        {"6", 0, 6, 6, false, "K=6"},
        {"0x1A", 0, 100, 26, false, "K=0x1A"},
        {"0X1f", 0, 100, 31, false, "K=0X1f"},
        {"0x", 0, 6, 2, false, "K=0x"},
        {"abc", 0, 6, 2, false, "K=abc"},
        {"", 0, 6, 2, false, "K="},
        {"99999999999", 0, 6, 2, false, "K=99999999999"},
        {" 5 ", 0, 6, 5, false, "K= 5 "},
        {"\"4\"", 0, 6, 4, false, "K=\"4\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        Store("F", c.stored ? std::string("K=") + c.stored + "\r\n" : "Other=1\r\n");
        ASSERT_TRUE(OpenSettingsFile("F", "01.00"));
        EXPECT_EQ(ReadSettingInteger("Settings", "K", 2, c.min, c.max), c.expected);
        EXPECT_EQ(SettingsCorrectionCount, c.repaired ? 1 : 0);
        CloseSettingsFile(nullptr);
        EXPECT_NE(ReadFile(path("F")).find(c.fileAfter + "\r\n"), std::string::npos) << ReadFile(path("F"));
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsFiles, TheCloseAnnouncesRepairsAndDatesTheFile) {
    Store("UACSettings", "UCCheckEnabled=1\r\nUIntervalAUCheck=9\r\n");
    SettingsErrorCaption = "Warning...";
    SettingsErrorFormat = "%s: %d of %d values repaired";
    QWidget* owner = nullptr;
    ASSERT_TRUE(OpenSettingsFile("UACSettings", "01.00"));
    EXPECT_TRUE(ReadSettingBool("Settings", "UCCheckEnabled", false));
    EXPECT_EQ(ReadSettingInteger("Settings", "UIntervalAUCheck", 2, 0, 6), 2);
    EXPECT_TRUE(ReadSettingBool("Settings", "UCheckInet", true));  // missing: neither written nor counted
    bool optional = false;
    EXPECT_EQ(ReadSettingString("Settings", "Note", "default text", optional), "default text");
    CloseSettingsFile(owner);

    ASSERT_EQ(boxes.calls().size(), 1u);
    const MessageBoxCall& box = boxes.calls().front();
    EXPECT_EQ(box.text, "KV.Kestrune: 2 of 4 values repaired");
    EXPECT_EQ(box.caption, "Warning...");
    EXPECT_EQ(box.flags, kMbSystemModal | kMbIconWarning);
    EXPECT_EQ(ReadFile(path("UACSettings")), Main("T") +
                                                 "\r\n[Settings]\r\n"
                                                 "UCCheckEnabled=1\r\n"
                                                 "UIntervalAUCheck=2\r\n"
                                                 "Note=default text\r\n");
}

// The date of [Main] is the local clock's, in the system's short format, so a fixed clock dates it.
TEST_F(SettingsFiles, TheDateComesFromTheLocalClock) {
    platform::SetLocalTimeForTesting([] {
        std::tm fixed{};
        fixed.tm_year = 2031 - 1900;
        fixed.tm_mon = 1;
        fixed.tm_mday = 3;
        return fixed;
    });
    CreateSettingsFile("UAUSettings", "01.00", "T");
    CloseSettingsFile(nullptr);
    platform::SetLocalTimeForTesting(nullptr);

    const std::string date = QLocale::system().toString(QDate(2031, 2, 3), QLocale::ShortFormat).toStdString();
    EXPECT_EQ(ReadFile(path("UAUSettings")), Main("T", date));
}

TEST_F(SettingsFiles, OptionalTextKeysAreCreatedWithoutCounting) {
    Store("ULangSettings", "Present=\"x\"\r\n");
    ASSERT_TRUE(OpenSettingsFile("ULangSettings", "01.00"));
    bool optional = true;
    EXPECT_EQ(ReadSettingString("Settings", "Language", "", optional), "");
    EXPECT_TRUE(optional) << "tells the caller that the key had to be created";
    EXPECT_EQ(ReadSettingString("Settings", "Present", "", optional), "x");
    EXPECT_FALSE(optional);
    EXPECT_EQ(SettingsCorrectionCount, 0);
    CloseSettingsFile(nullptr);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_NE(ReadFile(path("ULangSettings")).find("Language=\r\n"), std::string::npos);
}

TEST_F(SettingsFiles, AMissingFileIsNeitherReadNorWrittenNorMade) {
    CreateSettingsFile("Earlier", "01.00", "Earlier");
    WriteSettingString("Settings", "Kept", "yes");
    const std::string earlier = path("Earlier");

    bool optional = true;
    EXPECT_FALSE(OpenSettingsFile("UMessages", "01.00"));
    const std::string before = ReadFile(earlier);
    EXPECT_TRUE(SettingsFileMissing);
    EXPECT_EQ(ReadSettingInteger("Settings", "IntervalAUCheck", 7, 1, 30), 7);
    EXPECT_EQ(ReadSettingString("Settings", "Text", "d", optional), "d");
    EXPECT_FALSE(optional);
    EXPECT_FALSE(ReadSettingBool("Settings", "Flag", false));
    EXPECT_EQ(SettingsReadCount, 0);
    // A write has no file to go to: it is refused and reported, and the earlier file keeps what
    // it held (the earlier file was written when the open replaced it).
    WriteSettingString("Settings", "Kept", "overwritten");
    CloseSettingsFile(nullptr);

    EXPECT_FALSE(FileExists(path("UMessages")));
    EXPECT_EQ(errors, std::vector<std::string>{"URG.006-01"});
    EXPECT_NE(before.find("Kept=\"yes\""), std::string::npos);
    EXPECT_EQ(ReadFile(earlier), before);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(ListSettingsForReport().find("UMessages"), std::string::npos);
}

TEST_F(SettingsFiles, OpenGivesAVersionToAFileWithout) {
    WriteFile(path("F"), "[Main]\nVersion=\n[Settings]\nA=1\n");
    ASSERT_TRUE(OpenSettingsFile("F", "01.00"));
    CloseSettingsFile(nullptr);
    EXPECT_EQ(ReadFile(path("F")), "[Main]\r\nVersion=01.00\r\n[Settings]\r\nA=1\r\n");
}

TEST_F(SettingsFiles, FailuresAreReportedNeverTakenAsSuccess) {
    // A settings file that is a folder cannot be read.
    ASSERT_TRUE(platform::CreateDirectories(path("Unreadable")));
    EXPECT_FALSE(OpenSettingsFile("Unreadable", "01.00"));
    EXPECT_EQ(ReadSettingInteger("Settings", "K", 3, 0, 6), 3);
    EXPECT_EQ(errors, std::vector<std::string>{"URG.004-01"});

    // A file whose place was taken by a folder after it was created cannot be written back.
    errors.clear();
    CreateSettingsFile("Blocked", "01.00", "T");
    platform::RemoveFile(path("Blocked"));
    ASSERT_TRUE(platform::CreateDirectories(path("Blocked")));
    WriteSettingInteger("Settings", "K", 1);
    CloseSettingsFile(nullptr);
    EXPECT_EQ(errors, std::vector<std::string>{"URG.011-01"});

    // A text with a line break would add a line of its own: refused, the old value stays.
    errors.clear();
    Store("F", "K=\"old\"\r\n");
    ASSERT_TRUE(OpenSettingsFile("F", "01.00"));
    WriteSettingString("Settings", "K", "new\r\n[Injected]\r\nX=1");
    CloseSettingsFile(nullptr);
    EXPECT_EQ(errors, std::vector<std::string>{"URG.006-01"});
    EXPECT_EQ(ReadFile(path("F")).find("Injected"), std::string::npos);
    EXPECT_NE(ReadFile(path("F")).find("K=\"old\""), std::string::npos);

    // No folder for the settings: the create reports it.
    errors.clear();
    WriteFile(programSettings() + "-file", "");
    platform::SetExecutablePathForTesting(programSettings() + "-file/KV.Kestrune");
    CreateSettingsFile("F", "01.00", "T");
    EXPECT_EQ(errors, std::vector<std::string>{"URG.003-01"});
}

TEST(SettingsRepairedText, FillsPlaceholdersWithoutEverFormatting) {
    struct Case {
        const char* format;
        std::string expected;
    };
    const Case cases[] = {
        {"%s: %d of %d", "KV.Kestrune: 1 of 5"},
        {"%0:s %2:d/%1:d", "KV.Kestrune 5/1"},
        {"100%% %d %d", "100% KV.Kestrune 1"},  // a %d takes the next argument, as the format did
        {"%s %n %x %d %d %d %", "KV.Kestrune %n %x 1 5 %d %"},
        {"%s%s%s%s", "KV.Kestrune15%s"},
        {"no placeholders", "no placeholders"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(SettingsRepairedText(c.format, 1, 5), c.expected);
    }
    const std::string builtIn = SettingsRepairedText("", 1, 5);
    EXPECT_EQ(builtIn.rfind("Настройки программы KV.Kestrune", 0), 0u) << builtIn;
    EXPECT_NE(builtIn.find("неверные значения 1 из 5 параметров"), std::string::npos) << builtIn;
}

TEST_F(SettingsFiles, EveryValueReadOrWrittenIsListedForTheErrorLog) {
    CreateSettingsFile("UAUSettings", "01.00", "T");
    WriteSettingBool("Settings", "UUCheckEnabled", true);
    WriteSettingInteger("Settings", "UIntervalAUCheck", 2);
    WriteSettingString("Settings", "Word", "a b");
    CloseSettingsFile(nullptr);
    // A later opening in the same run updates what was listed and adds nothing new.
    ASSERT_TRUE(OpenSettingsFile("UAUSettings", "01.00"));
    EXPECT_TRUE(SettingsFileSeen);
    ReadSettingInteger("Settings", "UIntervalAUCheck", 2, 0, 6);
    WriteSettingInteger("Settings", "UIntervalAUCheck", 5);
    WriteSettingString("Settings", "NotListed", "x");
    CloseSettingsFile(nullptr);
    MustSetFilesInAppData = true;
    EXPECT_EQ(ListSettingsForReport(),
              "\r\nUAUSettings UUCheckEnabled \"-1\""
              "\r\nUAUSettings UIntervalAUCheck \"5\""
              "\r\nUAUSettings Word \"a b\""
              "\r\nMustSetFilesInAppData \"-1\""
              "\r\nUseAppData \"0\"");

    // The second set-up of a start begins the lists again.
    InitSettingsLocation(true, "", nullptr);
    EXPECT_EQ(ListSettingsForReport(), "\r\nMustSetFilesInAppData \"0\"\r\nUseAppData \"0\"");
    EXPECT_EQ(SeenSettingsFiles.size(), 0u);
}

TEST_F(SettingsFiles, OnlyKeysOfTheFirstOpeningInARunAreListed) {
    Store("Kestrune", "ProName=\"Prog\"\r\nExe=\"/a\"\r\n");
    ASSERT_TRUE(OpenSettingsFile("Kestrune", "01.00"));
    bool optional = false;
    ReadSettingString("Settings", "Exe", "", optional);
    CloseSettingsFile(nullptr);
    Store("Kestrune", "ProName=\"Prog\"\r\nExe=\"/b\"\r\n");
    ASSERT_TRUE(OpenSettingsFile("Kestrune", "01.00"));
    ReadSettingString("Settings", "ProName", "", optional);
    ReadSettingString("Settings", "Exe", "", optional);
    CloseSettingsFile(nullptr);
    EXPECT_EQ(ListSettingsForReport(), "\r\nKestrune Exe \"/b\"\r\nMustSetFilesInAppData \"0\"\r\nUseAppData \"0\"");
}

}  // namespace
