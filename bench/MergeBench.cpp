// Merging barrels against copying their bytes with cp: four barrels written by
// the barrel writer are merged into one, without deletions (postings go
// through the raw-copy path) and with deleted documents dropped (document by
// document). The byte rate of each is that of the barrels' files, so the
// ratio of the merges to cp reads straight off the counters.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyze/CrcAnalyzer.h"
#include "analyze/GeneralAnalyzer.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/merge/HTIndexMerger.h"
#include "index/writer/IndexBarrelWriter.h"
#include "store/ContentDirectory.h"
#include "support/BenchText.h"
#include "support/BenchWorkDir.h"
#include "utility/DocDeleted.h"
#include "utility/MemoryCache.h"

namespace {

namespace fs = std::filesystem;
using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CModeItem;

constexpr int kBarrels = 4;
constexpr int kDocuments = 1024;   // per barrel, about 2 KiB of text each

std::string DictionaryFile(const char* name)
{
    std::string bundled = std::string(CS_SOURCE_DIR) + "/conf/dict/" + name;
    if (std::ifstream(bundled).good())
        return bundled;
    return std::string(CS_SOURCE_DIR) + "/tests/data/analyze/" + name;
}

// The barrels of an index in `dir` (text with positions, a crc field, a stored
// path), written once; with `deletions`, a leading run and one document in ten
// of every barrel are marked deleted.
struct CSourceIndex {
    CContentMode mode;
    cs::index::FieldFactoryMap factories;
    std::string dir;
    int64_t bytes = 0;

    CSourceIndex(const std::string& name, bool deletions) : dir(cs::bench::WorkDir() + "/" + name)
    {
        CModeItem text("text", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE, CModeItem::WAY_POSITIONS);
        text.setComponent("indexer", "text");
        CModeItem user("user", CModeItem::STORE_NO, CModeItem::INDEX_ANALYZE, CModeItem::WAY_DOCUMENTS);
        user.setComponent("indexer", "crc");
        mode.addItem(text);
        mode.addItem(user);
        mode.addItem(CModeItem("path", CModeItem::STORE_UNCOMPRESS, CModeItem::INDEX_NO));
        factories = {{0, cs::index::CFieldFactoryRegistry::instance().find("text")},
                     {1, cs::index::CFieldFactoryRegistry::instance().find("crc")}};

        cs::analyze::CGeneralAnalyzer general(DictionaryFile("dictionary.txt"), DictionaryFile("stopwords.txt"));
        cs::analyze::CCrcAnalyzer crc;
        cs::analyze::AnalyzerMap analyzers{{0, &general}, {1, &crc}};
        const size_t piece = 2048;
        std::string words = cs::bench::MixedText(cs::bench::DictionaryWords(DictionaryFile("dictionary.txt")),
                                                 kBarrels * kDocuments * piece);
        cs::store::CContentDirectory directory(dir, cs::store::CContentDirectory::MODE_RECREATE);
        cs::utility::CMemoryCache cache(256u << 20);
        cs::index::CBarrelsInfo barrels;
        barrels.setContentMode(&mode);
        CContent document(mode);
        for (int b = 0; b < kBarrels; ++b) {
            std::string barrel = "_" + std::to_string(b);
            cs::index::CIndexBarrelWriter writer(barrel, &directory, &cache);
            writer.setContentMode(&mode);
            writer.createFieldIndexers(factories);
            cs::utility::CDocDeleted deleted;
            for (int d = 0; d < kDocuments; ++d) {
                document.setFieldText(0, words.data() + (b * kDocuments + d) * piece, piece);
                document.setFieldText(1, ("user" + std::to_string(d % 50)).c_str());
                document.setFieldText(2, ("/data/" + barrel + "/" + std::to_string(d)).c_str());
                document.analyze(analyzers);
                writer.addDocument(d, document);
                document.clear();
                deleted.setDeleted(d, deletions && (d < 8 || d % 10 == 3));
            }
            writer.write();
            writer.close();
            writer.reset();
            cs::index::CBarrelInfo* pInfo = barrels.addBarrel(barrel, b * kDocuments);
            pInfo->setDocCount(kDocuments);
            pInfo->setDeletedCount(static_cast<int32_t>(deleted.docDelNum()));
            if (deleted.docDelNum() > 0)
                deleted.save(directory.getFullPath(barrel + ".del"));
        }
        directory.renameFiles("*.tmp", "*");
        barrels.write(directory);
        directory.renameFile("index_status.xml.tmp", "index_status.xml");
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            bytes += static_cast<int64_t>(entry.file_size());
    }
};

// A fresh copy of the source index to merge in.
std::string Scratch(const CSourceIndex& source)
{
    std::string target = cs::bench::WorkDir() + "/scratch";
    fs::remove_all(target);
    fs::copy(source.dir, target);
    return target;
}

void Merge(benchmark::State& state, const CSourceIndex& source, bool recycle)
{
    std::vector<char> memory(10485760);   // what the merge-only mode lends
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = Scratch(source);
        state.ResumeTiming();
        cs::store::CContentDirectory directory(dir, cs::store::CContentDirectory::MODE_OPEN);
        cs::index::CBarrelsInfo barrels;
        barrels.read(directory);
        cs::index::CHTIndexMerger merger(&directory);
        merger.setFactorySearcher(&source.factories);
        merger.setParam(100, kBarrels, 1);   // the four barrels fill one level
        merger.setRecycleStrategy(recycle ? 2 : 0);
        merger.setRecycleCount(1);
        merger.setBuffer(memory.data(), static_cast<int64_t>(memory.size()));
        merger.merge(&barrels);
        if (barrels.size() != 1)
            state.SkipWithError("the barrels were not merged into one");
    }
    state.SetBytesProcessed(state.iterations() * source.bytes);
}

const CSourceIndex& PlainIndex()
{
    static CSourceIndex source("plain", false);
    return source;
}

void BM_MergeWithoutDeletions(benchmark::State& state) { Merge(state, PlainIndex(), false); }
BENCHMARK(BM_MergeWithoutDeletions)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_MergeRecycling(benchmark::State& state)
{
    static CSourceIndex source("deleted", true);
    Merge(state, source, true);
}
BENCHMARK(BM_MergeRecycling)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The same bytes copied by cp, and by cp followed by sync of the copies (the
// merge commits each file it writes to disk).
void Copy(benchmark::State& state, bool durable)
{
    const CSourceIndex& source = PlainIndex();
    std::string target = cs::bench::WorkDir() + "/copied";
    std::string command = "cp " + source.dir + "/* " + target + (durable ? " && sync " + target + "/*" : "");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        fs::create_directory(target);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * source.bytes);
}

void BM_Cp(benchmark::State& state) { Copy(state, false); }
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_CpAndSync(benchmark::State& state) { Copy(state, true); }
BENCHMARK(BM_CpAndSync)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace
