// The add-on list reader on lists up to a megabyte: the entries and the tree of offered entries,
// as the window builds them. Each row's list declares (COA) as many entries as it names, so its
// entry count grows with its size (about 100 KB, 430 KB and 1 MB), and so does the time; a list
// of a megabyte is judged in well under a second.
//
//   build/bench/checks/kestrune_checks_bench --benchmark_filter=AddonList

#include <benchmark/benchmark.h>

#include "checks/AddonList.h"
#include "tests/checks/LargeAddonList.h"

namespace {

// range(0): entries declared and named; a section for a quarter of them, an installed list for
// an eighth.
void BM_AddonListTree(benchmark::State& state) {
    const int named = static_cast<int>(state.range(0));
    const std::string list = checktest::LargeAddonList(named, named, named / 4);
    const std::string installed = checktest::LargeInstalledList(named / 8);
    for (auto _ : state) {
        const kestrune::AddonTree tree = kestrune::BuildAddonTree(kestrune::ListEntries(list), installed);
        benchmark::DoNotOptimize(tree.offered);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
    state.counters["list_bytes"] = static_cast<double>(list.size());
    state.counters["entries"] = named;
}
BENCHMARK(BM_AddonListTree)->Arg(5000)->Arg(20000)->Arg(45000)->Unit(benchmark::kMillisecond);

}  // namespace
