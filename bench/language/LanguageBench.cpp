// Translating a window of N labels from a working list of M lines, where the window's sections
// (base, English, third language) stand behind the sections of other windows. The time grows
// with N + M: compare the rows, e.g. 1000/20000 against 1000/5000 and 250/20000.
//
//   build/bench/language/kestrune_language_bench
//   build/bench/language/kestrune_language_bench --benchmark_filter=TranslateWindow/1000/20000

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <cstdlib>
#include <memory>
#include <string>

#include "language/LangProcessor.h"
#include "language/pack/LanguagePack.h"

namespace {

using namespace kestrune;

std::vector<std::string> WorkingList(int components, int lines) {
    std::vector<std::string> list;
    int filler = 0;
    auto fillerSection = [&](int count) {
        list.push_back("[|UFormOther" + std::to_string(filler++) + "|]");
        for (int i = 0; i + 1 < count; i += 2) {
            list.push_back("<|Label" + std::to_string(i) + "|>");
            list.push_back("Other text");
        }
    };
    const int windowLines = 3 * (1 + 2 * components);
    const int fillerLines = lines > windowLines ? lines - windowLines : 0;
    for (const char* language : {"Base", "English", "German"}) {
        fillerSection(fillerLines / 3);
        list.push_back("[|UFormBench|]");
        for (int i = 0; i < components; ++i) {
            list.push_back("<|Label" + std::to_string(i) + "|>");
            list.push_back(std::string(language) + " text " + std::to_string(i));
        }
    }
    return list;
}

void TranslateWindow(benchmark::State& state) {
    const int components = static_cast<int>(state.range(0));
    const int lines = static_cast<int>(state.range(1));
    auto window = std::make_unique<QWidget>();
    window->setObjectName("UFormBench");
    for (int i = 0; i < components; ++i) {
        auto* label = new QLabel(window.get());
        label->setObjectName("Label" + QString::number(i));
    }
    WorkingLanguageList = WorkingList(components, lines);
    CurrentLanguage = "German";
    for (auto _ : state) TranslateForm(1, window.get());
    state.counters["lines"] = static_cast<double>(WorkingLanguageList.size());
    state.SetLabel("time per window");
}
BENCHMARK(TranslateWindow)
    ->Args({1000, 20000})
    ->Args({1000, 5000})
    ->Args({250, 20000})
    ->Args({4000, 20000})
    ->Unit(benchmark::kMillisecond);

void ReadPack(benchmark::State& state) {
    std::string bytes = "English\r\n< Lang.Pack for KV.Kestrune 1.0 >\r\n";
    for (const std::string& line : WorkingList(1000, static_cast<int>(state.range(0)))) bytes += line + "\r\n";
    for (auto _ : state) {
        std::vector<std::string> body;
        langpack::Credits credits;
        langpack::AppendPackBody(
            langpack::SplitLines(langpack::DecodePackText(bytes, langpack::LegacyCodePage::Cp1252)), body, &credits);
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(ReadPack)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
