// Throughput of the index file streams on the paths that indexing and merging
// lean on: VInt encoding and decoding through the buffer, and bulk copies.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "store/SyncIStream.h"
#include "store/SyncOStream.h"

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file || std::fputs(text.c_str(), file) < 0 || std::fclose(file) != 0)
        std::abort();
}

char g_scratch[] = "/tmp/csbench.XXXXXX";

void RemoveScratch() { std::filesystem::remove_all(g_scratch); }

// A scratch directory for the run, removed at exit. It is the current
// directory and holds the configuration the logger looks for (errors only,
// so the log stays out of the measures).
const std::string& ScratchDir()
{
    static const std::string dir = [] {
        if (!::mkdtemp(g_scratch) || ::chdir(g_scratch) != 0)
            std::abort();
        std::atexit(RemoveScratch);
        std::string root = g_scratch;
        WriteText(root + "/pathconfig.xml", "<pathconfig><root>" + root +
                                                "</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH></pathconfig>");
        WriteText(root + "/global.xml",
                  "<config><log><level>error</level><path>" + root + "/log</path></log></config>");
        return root;
    }();
    return dir;
}

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
    std::string path = ScratchDir() + "/write.bin";
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
    std::string path = ScratchDir() + "/read.bin";
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
    std::string source = ScratchDir() + "/copy-src.bin";
    WriteValues(source);
    std::string target = ScratchDir() + "/copy-dst.bin";
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
