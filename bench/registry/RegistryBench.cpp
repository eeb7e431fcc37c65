// The cost of the registry store's queries: one query of a large store that the run has read
// already, and a whole run's queries (the store read and parsed once, then looked up eight times,
// as often as a start asks) for stores from empty to just under the size limit, with all their
// values in one key.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace {

using platform::RegistryRoot;

// A scratch store folder for the whole bench, so that no real store is touched.
class ScratchStore {
public:
    ScratchStore() {
        char pattern[] = "/tmp/kestrune-bench-XXXXXX";
        folder_ = mkdtemp(pattern);
        setenv("KESTRUNE_REGISTRY", folder_.c_str(), 1);
    }
    ~ScratchStore() {
        unsetenv("KESTRUNE_REGISTRY");
        std::filesystem::remove_all(folder_);
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    // A store of about kib KiB (none for 0) in values of 100 bytes under one key, left by an
    // earlier run (its last change an hour back); answers the number of values.
    int Fill(int kib) {
        const std::string file = platform::RegistryStoreFile(RegistryRoot::CurrentUser);
        std::filesystem::remove(file);
        if (kib == 0) return 0;
        std::string text = "KV.Kestrune registry 1\n[Software\\Big]\n";
        int values = 0;
        while (text.size() + 120 < static_cast<std::size_t>(kib) * 1024) {
            std::string line = "Value" + std::to_string(values++) + "=1:";
            line.append(100 - line.size() - 4, 'x');
            text += line + "%00\n";
        }
        if (!platform::WriteFileAtomic(file, text)) return -1;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const timespec times[2] = {now, {now.tv_sec - 3600, 0}};
        utimensat(AT_FDCWD, file.c_str(), times, 0);
        return values;
    }

private:
    std::string folder_;
};

void QueryOfALargeStoreReadAlready(benchmark::State& state) {
    ScratchStore store;
    const int values = store.Fill(static_cast<int>(state.range(0)));
    if (values <= 0) {
        state.SkipWithError("the store could not be written");
        return;
    }
    platform::SetRegistryNoticeHandler({});
    int i = 0;
    for (auto _ : state) {
        const auto value =
            platform::RegistryQueryValue(RegistryRoot::CurrentUser, "Software\\Big", "value" + std::to_string(i));
        if (!value) state.SkipWithError("a value was not found");
        benchmark::DoNotOptimize(value);
        i = (i + 7919) % values;
    }
    state.counters["reads"] = platform::RegistryRunCountsForTesting().storeReads;
}
BENCHMARK(QueryOfALargeStoreReadAlready)->Arg(1000);

void RunOfEightQueries(benchmark::State& state) {
    ScratchStore store;
    const int values = store.Fill(static_cast<int>(state.range(0)));
    if (values < 0) {
        state.SkipWithError("the store could not be written");
        return;
    }
    for (auto _ : state) {
        platform::SetRegistryNoticeHandler({});  // a new run, which reads the store afresh
        for (int q = 0; q < 8; ++q)
            benchmark::DoNotOptimize(platform::RegistryQueryValue(
                RegistryRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "KV.Kestrune"));
    }
}
BENCHMARK(RunOfEightQueries)->Arg(0)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
