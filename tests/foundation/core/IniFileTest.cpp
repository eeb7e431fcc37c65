#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "foundation/core/IniFile.h"
#include "tests/support/TestSupport.h"

using kestrune::IniFile;

namespace {

TEST(IniFile, ReadsValuesAsTheProfileFormatHoldsThem) {
    const IniFile ini = IniFile::Parse(
        "; a comment\r\n"
        "[Main]\r\n"
        "File=<Kestrune Settings File>\r\n"
        "  Version =  01.00  \n"
        "[Settings]\n"
        "Quoted=\"  blanks kept  \"\r\n"
        "Inner=a \"b\" c\r\n"
        "OneQuote=\"open\r\n"
        "Empty=\r\n"
        "EmptyQuotes=\"\"\r\n"
        "Twice=first\r\n"
        "twice=second\r\n"
        "Russian=Настройки\r\n"
        "NoEquals\r\n"
        "[settings]\r\n"
        "Later=hidden by the first section of that name\r\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"Main", "File", "<Kestrune Settings File>"},
        {"MAIN", "version", "01.00"},
        {"Settings", "Quoted", "  blanks kept  "},
        {"Settings", "Inner", "a \"b\" c"},
        {"Settings", "OneQuote", "\"open"},
        {"Settings", "Empty", ""},
        {"Settings", "EmptyQuotes", ""},
        {"Settings", "TWICE", "first"},
        {"Settings", "Russian", "Настройки"},
        {"Settings", "Missing", std::nullopt},
        {"Settings", "NoEquals", std::nullopt},
        {"Settings", "Later", std::nullopt},
        {"Nowhere", "File", std::nullopt},
        {"Main", "; a comment", std::nullopt},
    };
    // The index of a file read many times answers exactly as Read.
    const IniFile::Index index(ini);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.Read(c.section, c.key), c.value);
        EXPECT_EQ(index.Read(c.section, c.key), c.value);
    }
    EXPECT_TRUE(index.HasSection("SETTINGS"));
    EXPECT_FALSE(index.HasSection("Nowhere"));
}

TEST(IniFile, ChangesKeepEveryOtherLineAndWriteCrLf) {
    IniFile ini = IniFile::Parse(
        "\xEF\xBB\xBF; kept\n"
        "[Main]\n"
        "File = old\n"
        "\n"
        "[Settings]\n"
        "A=1\n"
        "; note\n"
        "\n");
    ASSERT_TRUE(ini.Write("main", "FILE", "new"));    // replaced where it stands, its spelling kept
    ASSERT_TRUE(ini.Write("Main", "Date", "today"));  // after the last key of its section
    ASSERT_TRUE(ini.Write("Settings", "B", "2"));
    ASSERT_TRUE(ini.Write("Extra", "C", "3"));  // a new section at the end
    EXPECT_EQ(ini.Serialize(),
              "\xEF\xBB\xBF; kept\r\n"
              "[Main]\r\n"
              "File =new\r\n"
              "Date=today\r\n"
              "\r\n"
              "[Settings]\r\n"
              "A=1\r\n"
              "B=2\r\n"
              "; note\r\n"
              "\r\n"
              "[Extra]\r\n"
              "C=3\r\n");
}

TEST(IniFile, BuildsANewFileSectionBySection) {
    IniFile ini;
    ASSERT_TRUE(ini.Write("Main", "File", "<T>"));
    ASSERT_TRUE(ini.Write("Main", "Version", "01.00"));
    ASSERT_TRUE(ini.Write("Settings", "ProName", "\"Prog\""));
    EXPECT_EQ(ini.Serialize(), "[Main]\r\nFile=<T>\r\nVersion=01.00\r\n\r\n[Settings]\r\nProName=\"Prog\"\r\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Main", "Settings"}));
    EXPECT_EQ(ini.Keys("main"), (std::vector<std::string>{"File", "Version"}));
}

TEST(IniFile, RefusesWhatWouldBreakALine) {
    struct Case {
        const char* what;
        std::string section, key, value;
    };
    const Case cases[] = {
        {"LF in a value", "S", "K", "a\nb"},
        {"CR in a value", "S", "K", "a\rb"},
        {"NUL in a value", "S", "K", std::string("a\0b", 3)},
        {"= in a key", "S", "K=1", "v"},
        {"LF in a key", "S", "K\nX", "v"},
        {"key taken for a section", "S", "[K]", "v"},
        {"key taken for a comment", "S", ";K", "v"},
        {"empty key", "S", "", "v"},
        {"blank around a key", "S", " K", "v"},
        {"] in a section", "S]", "K", "v"},
        {"LF in a section", "S\n[T", "K", "v"},
        {"empty section", "", "K", "v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini = IniFile::Parse("[S]\r\nK=old\r\n");
        EXPECT_FALSE(ini.Write(c.section, c.key, c.value));
        EXPECT_EQ(ini.Serialize(), "[S]\r\nK=old\r\n");
    }
}

TEST(IniFile, SavesAWholeFileAndLoadsItAgain) {
    testsupport::ScratchFolder scratch;
    const std::string path = scratch / "Kestrune.ini";
    EXPECT_FALSE(kestrune::LoadIniFile(path).has_value());
    IniFile ini;
    ASSERT_TRUE(ini.Write("Settings", "Exe", "\"/opt/app/KV.Kestrune\""));
    ASSERT_TRUE(kestrune::SaveIniFile(path, ini));
    const std::optional<IniFile> loaded = kestrune::LoadIniFile(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Read("settings", "exe"), "/opt/app/KV.Kestrune");
    // A folder where the file should be cannot be written: the failure is answered, not hidden.
    testsupport::WriteFile(scratch / "plain", "");
    EXPECT_FALSE(kestrune::SaveIniFile(scratch / "plain/Kestrune.ini", ini));
}

TEST(IniFile, OnlyARegularFileIsLoaded) {
    // A pipe would block the reader for ever, a device might never end: neither is a settings file.
    testsupport::ScratchFolder scratch;
    ASSERT_EQ(mkfifo((scratch / "pipe.ini").c_str(), 0600), 0);
    std::filesystem::create_directory(scratch / "folder.ini");
    std::filesystem::create_symlink("/dev/zero", scratch / "zero.ini");
    for (const char* name : {"pipe.ini", "folder.ini", "zero.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(kestrune::LoadIniFile(scratch / name).has_value());
    }
}

}  // namespace
