// Translating a window of N labels from a working list of exactly M lines, where the window's
// sections (base, English, third language) stand behind the sections of other windows. The time
// grows with N + M: compare the rows, e.g. 1000/20000 against 1000/10000 and 250/20000, and
// 4000/80000 (four times both) against 1000/20000, which a linear walk takes four times as long.
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

// A working list of exactly `lines` lines: the window's three sections (base, English, German;
// 3 x (1 + 2 x components) lines) each behind a section of another window that takes an equal
// share of the rest. Fewer lines than the window's own are not possible: the list is then longer.
std::vector<std::string> WorkingList(int components, int lines) {
    std::vector<std::string> list;
    const int windowLines = 3 * (1 + 2 * components);
    int fillerLeft = lines > windowLines ? lines - windowLines : 0;
    for (int pass = 0; pass < 3; ++pass) {
        const int filler = fillerLeft / (3 - pass);
        fillerLeft -= filler;
        if (filler > 0) list.push_back("[|UFormOther" + std::to_string(pass) + "|]");
        for (int i = 1; i < filler; ++i)
            list.push_back(i % 2 ? "<|Label" + std::to_string(i / 2) + "|>" : std::string("Other text"));
        static const char* const languages[] = {"Base", "English", "German"};
        list.push_back("[|UFormBench|]");
        for (int i = 0; i < components; ++i) {
            list.push_back("<|Label" + std::to_string(i) + "|>");
            list.push_back(std::string(languages[pass]) + " text " + std::to_string(i));
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
    if (WorkingLanguageList.size() != static_cast<std::size_t>(lines)) {
        state.SkipWithError("the window's own sections are longer than the working list");
        return;
    }
    CurrentLanguage = "German";
    for (auto _ : state) TranslateForm(1, window.get());
    state.counters["lines"] = static_cast<double>(WorkingLanguageList.size());
    state.SetLabel("time per window");
}
BENCHMARK(TranslateWindow)
    ->Args({1000, 20000})
    ->Args({1000, 10000})
    ->Args({250, 20000})
    ->Args({4000, 80000})
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
