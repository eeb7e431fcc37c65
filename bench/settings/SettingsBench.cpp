// The cost of the settings files: parsing a file and reading its keys, a whole open, read, close
// cycle as each feature runs it at start-up, and a create, write, close cycle both when the file
// already holds those values (nothing is written) and when one of them changed (one flushed
// whole-file write).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/URegInA.h"
#include "foundation/core/IniFile.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace {

std::string TypicalFile(int keys) {
    std::string text =
        "[Main]\r\nFile=<Kestrune Settings File>\r\nVersion=01.00\r\nDate=10.12.2026\r\n\r\n[Settings]\r\n";
    for (int i = 0; i < keys; ++i)
        text += "Key" + std::to_string(i) + "=\"value number " + std::to_string(i) + "\"\r\n";
    return text;
}

void ParseAndReadEveryKey(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    const std::string text = TypicalFile(keys);
    for (auto _ : state) {
        const kestrune::IniFile ini = kestrune::IniFile::Parse(text);
        for (int i = 0; i < keys; ++i) benchmark::DoNotOptimize(ini.Read("settings", "key" + std::to_string(i)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseAndReadEveryKey)->Arg(7)->Arg(100);

// A scratch program folder, so that nothing outside it is touched.
class ScratchProgram {
public:
    ScratchProgram() {
        char pattern[] = "/tmp/kestrune-bench-XXXXXX";
        folder_ = mkdtemp(pattern);
        platform::SetExecutablePathForTesting(folder_ + "/KV.Kestrune");
        kestrune::MustSetFilesInAppData = false;
        kestrune::UseAppData = false;
    }
    ~ScratchProgram() {
        platform::SetExecutablePathForTesting("");
        std::filesystem::remove_all(folder_);
    }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

void OpenReadClose(benchmark::State& state) {
    ScratchProgram program;
    platform::CreateDirectories(program.folder() + "/Settings");
    if (!platform::WriteFileAtomic(program.folder() + "/Settings/Kestrune.ini", TypicalFile(7))) {
        state.SkipWithError("the settings file to read could not be written");
        return;
    }
    for (auto _ : state) {
        kestrune::OpenSettingsFile("Kestrune", "01.00");
        bool optional = false;
        for (int i = 0; i < 7; ++i)
            benchmark::DoNotOptimize(kestrune::ReadSettingString("Settings", "Key" + std::to_string(i), "", optional));
        kestrune::CloseSettingsFile(nullptr);
    }
}
BENCHMARK(OpenReadClose);

// A feature's file made again with the values it already holds: the close finds the same bytes
// on the disk and writes nothing (the path of every start whose settings did not change).
void CreateWriteCloseUnchanged(benchmark::State& state) {
    ScratchProgram program;
    for (auto _ : state) {
        kestrune::CreateSettingsFile("Kestrune", "01.00", "Kestrune Settings File");
        for (int i = 0; i < 7; ++i) kestrune::WriteSettingString("Settings", "Key" + std::to_string(i), "value");
        kestrune::CloseSettingsFile(nullptr);
    }
}
BENCHMARK(CreateWriteCloseUnchanged);

// The same with one value changed each time: every close writes the whole file, flushed to the
// disk and renamed into place.
void CreateWriteCloseChanged(benchmark::State& state) {
    ScratchProgram program;
    long long round = 0;
    for (auto _ : state) {
        kestrune::CreateSettingsFile("Kestrune", "01.00", "Kestrune Settings File");
        kestrune::WriteSettingString("Settings", "Key0", std::to_string(round++));
        for (int i = 1; i < 7; ++i) kestrune::WriteSettingString("Settings", "Key" + std::to_string(i), "value");
        kestrune::CloseSettingsFile(nullptr);
    }
}
BENCHMARK(CreateWriteCloseChanged)->Unit(benchmark::kMillisecond);

}  // namespace
