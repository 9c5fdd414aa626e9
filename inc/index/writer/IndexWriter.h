// Where documents become index. The collection fills documents from the
// writer's queue; the writer parses each with the parser of its file type, runs
// the analysis pass, and hands it to the barrel writer. With two threads the
// parsing and analysis of the next documents run on a second thread while the
// barrel writer takes the current one (see CPrepareQueue); everything else,
// the flush listener's calls included, stays on the calling thread, and the
// documents keep their order, numbers and barrels. When the memory cache
// overflows (or, on the first barrel of a run, after a random 500 to 2000
// documents) the barrel is flushed: its files and the barrel list are written
// under ".tmp" names, the collection saves its progress, and all of them take
// their final names in one replacement that a crash cannot leave half done.
// Then the merge policy runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analyze/AnalyzerMap.h"
#include "content/FileType.h"

namespace cs::analyze {
class CAnalyzer;
}
namespace cs::content {
class CContent;
class CContentMode;
}
namespace cs::parse {
class CParser;
}
namespace cs::utility {
class CConfigurator;
class CMemoryCache;
}

namespace cs::index {

class CBarrelInfo;
class CFlushListener;
class CBarrelsInfo;
class CIndex;
class CHTIndexMerger;
class CIndexBarrelWriter;
class CPrepareQueue;

class CIndexWriter {
public:
    // With two threads: the documents on their way at most, and the bytes
    // that prepared documents waiting for the barrel writer may hold before
    // the second thread waits (see docs/index-writer.md for the memory).
    static constexpr size_t QUEUE_DOCUMENTS = 8;
    static constexpr size_t QUEUE_BYTES = 33554432;
    // Working memory of a merge on demand.
    static constexpr size_t MERGE_BUFFER_SIZE = 10485760;

    // The writer of a database run; it owns the default parser and analyzer.
    // A missing index is the invalid argument "pIndex".
    CIndexWriter(CIndex* pIndex, std::unique_ptr<parse::CParser> pDefaultParser,
                 std::unique_ptr<analyze::CAnalyzer> pDefaultAnalyzer);
    // A writer that only merges.
    explicit CIndexWriter(CIndex* pIndex);
    // Closes the writer unless an exception is on its way out: a barrel cut
    // off by an error is not written.
    virtual ~CIndexWriter();
    CIndexWriter(const CIndexWriter&) = delete;
    CIndexWriter& operator=(const CIndexWriter&) = delete;

    // Builds the parser table and the analyzer maps from the configurator
    // (not owned); a missing one is the invalid argument "pConfigurator".
    void setConfigurator(utility::CConfigurator* pConfigurator);
    // Told at every flush, to save its state with the barrel (not owned).
    void setFlushListener(CFlushListener* pListener) { m_pFlushListener = pListener; }

    // 1 (the default): each document is parsed and analysed on the calling
    // thread when it is indexed; 2: on a second thread, ahead of the barrel
    // writer. Set before the first document.
    void setThreads(int threads);

    CIndex* getIndex() const { return m_pIndex; }

    // The next free document. The one filled before is handed over first.
    content::CContent* nextDocument();
    // Hands over the filled document. With one thread it is indexed at once;
    // with two when it is prepared, during this or a later call.
    void indexDocuments();
    // Indexes every document handed over, and runs the steps among them.
    void drainDocuments();
    // Runs `step` on the calling thread after every document handed over
    // before is indexed and before any handed over after: the flush listener
    // is then told of the documents before, and a flush of theirs saves the
    // listener's state without what the step changes. Work of a collection
    // that belongs between two of its documents goes there.
    void runInOrder(std::function<void()> step);
    // Marks a document of a flushed barrel deleted. The mark reaches the
    // barrel's ".del" with the next flush or commit, in the same replacement
    // as the collection's state. It is made at once: with documents on their
    // way, mark from a step (runInOrder) to keep it among them.
    void deleteDocument(int32_t docNumber);
    // Makes everything pending part of the index: flushes the current barrel
    // when it holds documents; else commits the pending deletions and the
    // flush listener's state in one replacement.
    void commit();
    // Runs the merge policy over the barrel list, unless the current barrel
    // holds documents that are not written yet.
    void merge();
    // Indexes the documents handed over, flushes the last barrel and forgets
    // the empty barrel begun after the last flush.
    void close();
    bool isClosed() const { return m_closed; }

    // Documents of a record kind ('W', 'S', 'C', 'U', 'M', or 0 for none)
    // indexed into the current barrel.
    int32_t getKindCount(uint16_t kind) const;
    // The number of documents after which the first barrel is flushed.
    int32_t getFirstBarrelThreshold() const { return m_firstBarrelThreshold; }

private:
    void buildParserTable();
    void buildAnalyzerMaps();
    analyze::CAnalyzer* sharedAnalyzer(const std::string& identifier);
    parse::CParser* parserFor(int32_t fileType);

    CPrepareQueue& queue();
    void handOverFilled();
    bool indexNext(bool wait);
    void prepareDocument(content::CContent& content);
    void indexDocument(content::CContent& content);
    void addDocument(content::CContent& content);
    void createBarrelWriter();
    void addBarrelRecord();
    void flushAndContinue();
    void flush();
    void writeDeletions();
    void rename();
    void commitWithoutBarrel();
    void dropIncompleteBarrel(const std::string& barrel);
    void createMerger();
    void mergeBarrels(uint8_t* pMemory, size_t size);
    void discardBarrelWriter();

    CIndex* m_pIndex;                                   // not owned
    CBarrelsInfo* m_pBarrelsInfo;                       // the index's list, not owned
    CBarrelInfo* m_pCurrentBarrel = nullptr;            // the barrel being filled
    std::unique_ptr<CIndexBarrelWriter> m_pBarrelWriter;
    std::unique_ptr<CHTIndexMerger> m_pMerger;
    utility::CMemoryCache* m_pMemory;                   // not owned

    // One instance per analyzer identifier, shared by the fields that name
    // it: a dictionary is loaded once, however many fields use it.
    std::vector<std::unique_ptr<analyze::CAnalyzer>> m_analyzers;
    std::map<std::string, analyze::CAnalyzer*> m_analyzerByName;
    analyze::AnalyzerMap m_fieldAnalyzers;   // by field id
    analyze::CAnalyzer* m_pDefaultAnalyzer = nullptr;

    // One parser per file type, created on first need.
    std::array<std::unique_ptr<parse::CParser>, content::filetype::COUNT> m_parsers;
    std::unique_ptr<parse::CParser> m_pDefaultParser;   // until the table takes it

    utility::CConfigurator* m_pConfigurator = nullptr;   // not owned
    CFlushListener* m_pFlushListener = nullptr;          // not owned
    std::map<uint16_t, int32_t> m_kindCounts;
    std::vector<int32_t> m_pendingDeletions;   // global numbers

    int m_firstBarrel = 1;
    int32_t m_firstBarrelThreshold;
    bool m_closed = false;

    // Last: the second thread, which uses the parsers and analyzers, ends
    // before they go.
    int m_threads = 1;
    std::unique_ptr<CPrepareQueue> m_pQueue;
    content::CContent* m_pFilling = nullptr;   // given out, not handed over
};

} // namespace cs::index
