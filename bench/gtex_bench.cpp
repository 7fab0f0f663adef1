#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "text/cmcGTex.h"

// A generated overlay of about 10 MB in 50,000 entries of five lines each.
namespace {

constexpr int kEntries = 50000;

std::string Key(int i) {
    char key[32];
    std::snprintf(key, sizeof key, "GI_Bench_Entry_%05d", i);
    return key;
}

struct Overlay {
    std::string path;
    size_t size = 0;
    Overlay() {
        char tmpl[] = "/tmp/kelda-bench-ovl-XXXXXX";
        int fd = mkstemp(tmpl);
        path = tmpl;
        std::string text = "; generated overlay for benchmarks\n";
        for (int i = 0; i < kEntries; ++i) {
            text += "#" + Key(i) + "\n";
            for (int line = 0; line < 4; ++line)
                text += "Line " + std::to_string(line) + " of entry " + std::to_string(i) +
                        ", words of a usual length\n";
        }
        text += "#End_Of_Ovl\nLines after the end marker are never indexed.\n";
        size = text.size();
        ssize_t n = write(fd, text.data(), text.size());
        (void)n;
        close(fd);
    }
    ~Overlay() { unlink(path.c_str()); }
};

const Overlay& TheOverlay() {
    static Overlay overlay;
    return overlay;
}

void Report(benchmark::State& state, const cmcGTex& store) {
    auto s = store.GetStats();
    state.counters["file_MB"] = static_cast<double>(TheOverlay().size) / 1e6;
    state.counters["bytes_read"] = static_cast<double>(s.bytesRead);
    state.counters["records"] = static_cast<double>(s.indexedRecords);
    state.counters["index_bytes"] = static_cast<double>(s.indexBytes);
    if (s.indexedRecords)
        state.counters["index_B_per_entry"] =
            static_cast<double>(s.indexBytes) / static_cast<double>(s.indexedRecords);
}

}  // namespace

// The first lookup of a key in a fresh store: indexing runs from the start up to that key and
// reads no further. Arg = the entry's number.
static void BM_GTexFirstLookup(benchmark::State& state) {
    const std::string key = Key(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        cmcGTex store;
        store.BindFile(TheOverlay().path);
        benchmark::DoNotOptimize(store.GetLine(key, 0));
        state.PauseTiming();
        Report(state, store);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GTexFirstLookup)
    ->Arg(0)
    ->Arg(kEntries / 2)
    ->Arg(kEntries - 1)
    ->Unit(benchmark::kMillisecond);

// Re-reading a recently read line: served by the cache, no file access.
static void BM_GTexCachedLine(benchmark::State& state) {
    cmcGTex store;
    store.BindFile(TheOverlay().path);
    const std::string key = Key(kEntries - 1);
    store.GetLine(key, 3);
    auto before = store.GetStats();
    for (auto _ : state) benchmark::DoNotOptimize(store.GetLine(key, 3));
    auto after = store.GetStats();
    state.counters["file_reads"] = static_cast<double>(after.fileReads - before.fileReads);
    state.counters["cache_hits"] = static_cast<double>(after.cacheHits - before.cacheHits);
}
BENCHMARK(BM_GTexCachedLine);

// Walking a whole body (GetText) of a key already indexed, with the lines in the cache.
static void BM_GTexCachedText(benchmark::State& state) {
    cmcGTex store;
    store.BindFile(TheOverlay().path);
    const std::string key = Key(kEntries - 1);
    store.GetText(key);
    for (auto _ : state) benchmark::DoNotOptimize(store.GetText(key));
}
BENCHMARK(BM_GTexCachedText);

// Lookups spread over the whole index once everything is indexed: most lines miss the cache,
// so each costs a find in the index and one line read from the file.
static void BM_GTexIndexedLookup(benchmark::State& state) {
    cmcGTex store;
    store.BindFile(TheOverlay().path);
    store.GetLine("End_Of_Ovl");  // indexes everything
    std::vector<std::string> keys;
    for (int i = 0; i < 1024; ++i) keys.push_back(Key((i * 7919) % kEntries));
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(store.GetLine(keys[i++ & 1023], 0));
    Report(state, store);
}
BENCHMARK(BM_GTexIndexedLookup);
