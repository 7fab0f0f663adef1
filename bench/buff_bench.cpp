#include <benchmark/benchmark.h>

#include <vector>

#include "base/cmcBuff.h"

// cmcBuff as the byte queue of a clone run: append 64 KiB, then pop it byte by byte.
static void BM_BuffQueue64K(benchmark::State& state) {
    std::vector<uint8_t> chunk(65536, 0x5A);
    for (auto _ : state) {
        cmcBuff b;
        b.AppendBytes(chunk.data(), static_cast<int>(chunk.size()));
        long sum = 0;
        for (int v; (v = b.PopFront()) >= 0;) sum += v;
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(chunk.size()));
}
BENCHMARK(BM_BuffQueue64K);

// Growing a frame byte by byte, as frames under construction do.
static void BM_BuffAppendByte(benchmark::State& state) {
    for (auto _ : state) {
        cmcBuff b;
        for (int i = 0; i < 4096; ++i) b.AppendByte(static_cast<uint8_t>(i));
        benchmark::DoNotOptimize(b.Data());
    }
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_BuffAppendByte);
