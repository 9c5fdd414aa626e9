// Indexing speed of the barrel writer: analysed documents (a text field with
// positions and a crc field) fed into one barrel, in postings per second. The
// program counts every heap allocation: once the postings of the vocabulary
// exist (after the first barrel), adding tokens must allocate nothing.
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyze/CrcAnalyzer.h"
#include "analyze/GeneralAnalyzer.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/writer/IndexBarrelWriter.h"
#include "store/ContentDirectory.h"
#include "support/BenchText.h"
#include "support/BenchWorkDir.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

void* Allocate(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CModeItem;

// The bundled dictionary when scripts/build.sh has made it, else the small
// one of the tests.
std::string DictionaryFile(const char* name)
{
    std::string bundled = std::string(CS_SOURCE_DIR) + "/conf/dict/" + name;
    if (std::ifstream(bundled).good())
        return bundled;
    return std::string(CS_SOURCE_DIR) + "/tests/data/analyze/" + name;
}

// 2048 documents of about 4 KiB each, analysed once: the measure is the
// barrel writer's, not the analyzer's.
struct CDocuments {
    CContentMode mode;
    std::vector<std::unique_ptr<CContent>> documents;
    int64_t postings = 0;   // kept tokens of one pass

    CDocuments()
    {
        CModeItem textItem("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE, CModeItem::WAY_POSITIONS);
        textItem.setComponent("indexer", "text");
        CModeItem userItem("user", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE, CModeItem::WAY_DOCUMENTS);
        userItem.setComponent("indexer", "crc");
        mode.addItem(textItem);
        mode.addItem(userItem);

        cs::analyze::CGeneralAnalyzer general(DictionaryFile("dictionary.txt"), DictionaryFile("stopwords.txt"));
        cs::analyze::CCrcAnalyzer crc;
        cs::analyze::AnalyzerMap analyzers{{0, &general}, {1, &crc}};
        const size_t piece = 4096;
        std::string text = cs::bench::MixedText(cs::bench::DictionaryWords(DictionaryFile("dictionary.txt")),
                                                2048 * piece);
        for (size_t offset = 0; offset + piece <= text.size(); offset += piece) {
            auto pDocument = std::make_unique<CContent>(mode);
            pDocument->setFieldText(0, text.data() + offset, piece);
            pDocument->setFieldText(1, ("user" + std::to_string(documents.size() % 50)).c_str());
            pDocument->analyze(analyzers);
            for (size_t f = 0; f < pDocument->fieldCount(); ++f) {
                const auto& tokens = static_cast<const cs::analyze::CTokenList<cs::analyze::wid_t>&>(
                    *pDocument->field(f).getTokens());
                for (cs::analyze::wid_t token : tokens)
                    postings += token != -1;
            }
            documents.push_back(std::move(pDocument));
        }
    }
};

void AddDocuments(benchmark::State& state)
{
    cs::bench::WorkDir();   // before anything logs
    static CDocuments input;
    cs::store::CContentDirectory directory(cs::bench::WorkDir() + "/barrels", cs::store::CContentDirectory::MODE_RECREATE);
    cs::utility::CMemoryCache cache(256u << 20);
    cs::index::FieldFactoryMap factories{{0, cs::index::CFieldFactoryRegistry::instance().find("text")},
                                         {1, cs::index::CFieldFactoryRegistry::instance().find("crc")}};
    cs::index::CIndexBarrelWriter writer("_0", &directory, &cache);
    writer.setContentMode(&input.mode);
    writer.createFieldIndexers(factories);

    int barrel = 0;
    uint64_t steadyAllocations = 0;
    int64_t steadyPasses = 0;
    for (auto _ : state) {
        uint64_t before = g_allocations.load();
        for (size_t d = 0; d < input.documents.size(); ++d)
            writer.addDocument(static_cast<int32_t>(d), *input.documents[d]);
        uint64_t allocations = g_allocations.load() - before;
        state.PauseTiming();
        if (barrel > 0) {   // the first pass meets the vocabulary
            steadyAllocations += allocations;
            ++steadyPasses;
        }
        if (cache.overflowBlocks() != 0)
            state.SkipWithError("the cache overflowed: the barrel is larger than the budget");
        writer.write();
        writer.close();
        writer.reset();
        writer.beginBarrel("_" + std::to_string(++barrel));
        directory.removeFiles("*");
        state.ResumeTiming();
    }
    if (steadyAllocations != 0)
        state.SkipWithError("adding tokens allocated from the heap after the first barrel");
    state.counters["postings"] =
        benchmark::Counter(static_cast<double>(input.postings * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["documents"] =
        benchmark::Counter(static_cast<double>(input.documents.size() * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["heap_allocs_after_first"] = static_cast<double>(steadyAllocations);
    state.counters["passes_after_first"] = static_cast<double>(steadyPasses);
}

// Each iteration is one barrel of 2048 documents (8 MiB of text).
BENCHMARK(AddDocuments)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
