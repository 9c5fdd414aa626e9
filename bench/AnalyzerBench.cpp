// Segmentation speed of the general analyzer with the bundled dictionary
// (conf/dict, written by scripts/build.sh): tokens and bytes per second over a
// large GBK text analysed in document-sized pieces, and the dictionary load.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyze/GeneralAnalyzer.h"
#include "support/BenchText.h"

namespace {

const std::string kDictionary = std::string(CS_SOURCE_DIR) + "/conf/dict/dictionary.txt";
const std::string kStopWords = std::string(CS_SOURCE_DIR) + "/conf/dict/stopwords.txt";

bool DictionaryBuilt() { return std::ifstream(kDictionary).good(); }

// About 8 MiB of text in the manner of web pages and mail.
const std::string& Text()
{
    static const std::string text = cs::bench::MixedText(cs::bench::DictionaryWords(kDictionary), 8u << 20);
    return text;
}

void SegmentText(benchmark::State& state)
{
    if (!DictionaryBuilt()) {
        state.SkipWithError("no conf/dict/dictionary.txt: run scripts/build.sh first");
        return;
    }
    static cs::analyze::CGeneralAnalyzer analyzer(kDictionary, kStopWords);
    const std::string& text = Text();
    const size_t piece = static_cast<size_t>(state.range(0));
    cs::analyze::CTokenList<cs::analyze::wid_t> tokens;
    int64_t tokenCount = 0;
    for (auto _ : state) {
        for (size_t offset = 0; offset < text.size(); offset += piece) {
            tokens.clear();
            tokenCount += analyzer.analyze(text.data() + offset, std::min(piece, text.size() - offset), &tokens);
        }
        benchmark::DoNotOptimize(tokens.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokenCount), benchmark::Counter::kIsRate);
}

void LoadDictionary(benchmark::State& state)
{
    if (!DictionaryBuilt()) {
        state.SkipWithError("no conf/dict/dictionary.txt: run scripts/build.sh first");
        return;
    }
    for (auto _ : state) {
        auto pAnalyzer = std::make_unique<cs::analyze::CGeneralAnalyzer>(kDictionary, kStopWords);
        benchmark::DoNotOptimize(pAnalyzer.get());
    }
}

// Pieces of 4 KiB (a typical document) and 64 KiB; each run covers the text.
BENCHMARK(SegmentText)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDictionary)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
