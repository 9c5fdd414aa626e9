// Throughput of the index file streams on the paths that indexing and merging
// lean on: VInt encoding and decoding through the buffer, and bulk copies.
#include <benchmark/benchmark.h>

#include <string>

#include "store/SyncIStream.h"
#include "store/SyncOStream.h"
#include "support/BenchWorkDir.h"

namespace {

// Deltas of a posting list: mostly one byte, some two or three.
int32_t Value(int64_t i) { return static_cast<int32_t>((i * 2654435761u) >> (i % 3 == 0 ? 18 : 25)); }

constexpr int64_t kValues = 4 << 20;

void WriteValues(const std::string& path)
{
    cs::store::CSyncOStream out(path);
    for (int64_t i = 0; i < kValues; ++i)
        out.writeVInt(Value(i));
    out.close();
}

void BM_WriteVInt(benchmark::State& state)
{
    std::string path = cs::bench::WorkDir() + "/write.bin";
    int64_t bytes = 0;
    for (auto _ : state) {
        cs::store::CSyncOStream out(path);
        for (int64_t i = 0; i < kValues; ++i)
            out.writeVInt(Value(i));
        bytes += out.position();
        // Leave the commit to disk out of the measure: it times the disk, not the encoding.
        state.PauseTiming();
        out.close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kValues);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteVInt)->Unit(benchmark::kMillisecond);

void BM_ReadVInt(benchmark::State& state)
{
    std::string path = cs::bench::WorkDir() + "/read.bin";
    WriteValues(path);
    int64_t bytes = 0;
    for (auto _ : state) {
        cs::store::CSyncIStream in(path);
        int64_t sum = 0;
        for (int64_t i = 0; i < kValues; ++i)
            sum += in.readVInt();
        benchmark::DoNotOptimize(sum);
        bytes += in.length();
    }
    state.SetItemsProcessed(state.iterations() * kValues);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadVInt)->Unit(benchmark::kMillisecond);

void BM_CopyFrom(benchmark::State& state)
{
    std::string source = cs::bench::WorkDir() + "/copy-src.bin";
    WriteValues(source);
    std::string target = cs::bench::WorkDir() + "/copy-dst.bin";
    int64_t bytes = 0;
    for (auto _ : state) {
        cs::store::CSyncIStream in(source);
        cs::store::CSyncOStream out(target);
        out.copyFrom(&in, in.length());
        bytes += in.length();
        state.PauseTiming();
        out.close();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CopyFrom)->Unit(benchmark::kMillisecond);

} // namespace
