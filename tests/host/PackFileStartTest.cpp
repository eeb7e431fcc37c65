// Whole starts whose English pack is not a plain pack file: the start never hangs on it, a pack
// that cannot be read is reported once in a window that speaks the chosen language from the
// texts built into the program, and the job runs on.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/host/HostTestSupport.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

const std::vector<std::string> kSettingsStart{"1", "Prog", "2.0", "English", "", "http://127.0.0.1:9/"};

TEST(PackFileStart, AHostileEnglishPackNeitherHangsNorSilencesTheStart) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        bool reported;           // the error window for "ULP.023-01" comes up first
        const char* settingsOk;  // the settings window's ButtonOk afterwards
    };
    const std::vector<Case> cases{
        {"a pipe", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, true, "Ok"},
        {"a link to /dev/zero", [](const std::string& f) { ASSERT_EQ(symlink("/dev/zero", f.c_str()), 0); }, true,
         "Ok"},
        {"over 16 MiB",
         [](const std::string& f) {
             WriteFile(f, "English\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n");
             std::filesystem::resize_file(f, 16u * 1024u * 1024u + 1u);
         },
         true, "Ok"},
        {"a folder (no pack)", [](const std::string& f) { std::filesystem::create_directories(f); }, false, "Ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hosttest::ScratchProgram program;
        const std::string pack = program.app() + "/Language/English/English.txt";
        std::filesystem::remove(pack);
        c.make(pack);
        std::string errorTitle;
        std::string cancelText;
        program.WhenModal("UFormError", [&](QWidget* window) {
            errorTitle = window->windowTitle().toStdString();
            auto* ignore = window->findChild<QPushButton*>("Button3");
            ASSERT_NE(ignore, nullptr);
            QTest::mouseClick(ignore, Qt::LeftButton);
        });
        program.WhenModal("FormSettings", [&](QWidget* window) {
            cancelText = window->findChild<QPushButton*>("ButtonCancel")->text().toStdString();
            QTest::mouseClick(window->findChild<QPushButton*>("ButtonCancel"), Qt::LeftButton);
        });
        EXPECT_EQ(program.Start(kSettingsStart), 0) << "the start ends by itself";
        if (c.reported) {
            EXPECT_EQ(errorTitle, "Program error in KV.Kestrune...")
                << "built-in English while the pack cannot be read";
            const std::string log = ReadFile(program.app() + "/ErrorLog/Error.Log");
            const std::size_t first = log.find("ULP.023-01");
            EXPECT_NE(first, std::string::npos) << log;
            EXPECT_EQ(log.find("ULP.023-01", first + 1), std::string::npos) << "one entry: " << log;
        } else {
            EXPECT_EQ(errorTitle, "");
        }
        // No pack could be read: the settings window keeps its design texts.
        EXPECT_EQ(cancelText, "Отмена");
    }
}

}  // namespace
