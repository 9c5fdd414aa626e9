#include "index/writer/IndexWriter.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <iterator>
#include <string>
#include <utility>

#include "analyze/Analyzer.h"
#include "analyze/AnalyzerRegistry.h"
#include "config/Configurator.h"
#include "config/GlobalConfig.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/DeletedFile.h"
#include "index/Index.h"
#include "index/commit/RenameMarker.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "index/merge/HTIndexMerger.h"
#include "index/testing/HookPoints.h"
#include "index/writer/FlushListener.h"
#include "index/writer/IndexBarrelWriter.h"
#include "index/writer/PrepareQueue.h"
#include "parse/Parser.h"
#include "parse/ParserRegistry.h"
#include "store/Directory.h"
#include "utility/ConsoleProgress.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/MemoryCache.h"

namespace cs::index {

using content::CContent;
using content::CModeItem;

namespace {

// A number from 500 to 2000, unless a test fixed it. (rand() is scaled by
// its own maximum, which differs between C libraries.)
int32_t FirstBarrelThreshold()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    int32_t drawn = static_cast<int32_t>(static_cast<double>(std::rand()) / RAND_MAX * 1500 + 500);
    int32_t fixed = hooks::FixedFirstBarrelThreshold();
    return fixed > 0 ? fixed : drawn;
}

} // namespace

CIndexWriter::CIndexWriter(CIndex* pIndex, std::unique_ptr<parse::CParser> pDefaultParser,
                           std::unique_ptr<analyze::CAnalyzer> pDefaultAnalyzer)
    : CIndexWriter(pIndex)
{
    m_pDefaultParser = std::move(pDefaultParser);
    m_pDefaultAnalyzer = pDefaultAnalyzer.get();
    if (pDefaultAnalyzer)
        m_analyzers.push_back(std::move(pDefaultAnalyzer));
}

CIndexWriter::CIndexWriter(CIndex* pIndex)
    : m_pIndex(pIndex), m_pBarrelsInfo(pIndex ? pIndex->getBarrelsInfo() : nullptr),
      m_pMemory(utility::GetIndexMemoryCache()), m_firstBarrelThreshold(FirstBarrelThreshold())
{
    CS_ASSERT_ARG(pIndex);
}

CIndexWriter::~CIndexWriter()
{
    if (m_closed || std::uncaught_exceptions() > 0)
        return;
    try {
        close();
    } catch (const std::exception&) {
        // Logged where it was raised; the unfinished flush is cleaned up
        // when the index is next opened.
    }
}

void CIndexWriter::setThreads(int threads)
{
    CS_ASSERT_ARG_TEXT(threads == 1 || threads == 2, "threads 1 or 2");
    CS_ASSERT(!m_pQueue);
    m_threads = threads;
}

void CIndexWriter::setConfigurator(utility::CConfigurator* pConfigurator)
{
    CS_ASSERT_ARG(pConfigurator);
    m_pConfigurator = pConfigurator;
    buildParserTable();
    buildAnalyzerMaps();
}

void CIndexWriter::buildParserTable()
{
    CS_ASSERT(m_pConfigurator);
    const content::CContentMode* pMode = m_pIndex->getContentMode();
    parse::CParserRegistry& registry = parse::CParserRegistry::instance();
    const std::vector<std::string>& identifiers = m_pConfigurator->getParserIdentifiers();
    // The default parser serves the file type it was made for: with the usual
    // "txt.parser" that is entry 0.
    if (m_pDefaultParser) {
        int32_t fileType = identifiers.empty() ? content::filetype::TXT : registry.fileTypeOf(identifiers[0]);
        if (fileType >= 0 && fileType < content::filetype::COUNT) {
            m_pDefaultParser->setContentMode(pMode);
            m_parsers[fileType] = std::move(m_pDefaultParser);
        }
    }
    for (size_t i = 1; i < identifiers.size(); ++i) {
        int32_t fileType = registry.fileTypeOf(identifiers[i]);
        if (fileType < 0 || fileType >= content::filetype::COUNT || m_parsers[fileType])
            continue;
        parse::CParser::CCreator* pCreator = registry.findByFileType(fileType);
        std::unique_ptr<parse::CParser> pParser = pCreator ? pCreator->create() : nullptr;
        if (!pParser)
            continue;   // tried again, and reported, when a document of the type comes
        pParser->setContentMode(pMode);
        m_parsers[fileType] = std::move(pParser);
    }
}

void CIndexWriter::buildAnalyzerMaps()
{
    CS_ASSERT(m_pConfigurator);
    m_analyzerByName.clear();
    m_fieldAnalyzers.clear();
    const std::string& defaultName = m_pConfigurator->getAnalyzerArgument().identifier;
    m_analyzerByName[defaultName] = m_pDefaultAnalyzer;
    // The mode in force, which the documents of the pool are made from.
    const content::CContentMode* pMode = m_pIndex->getContentMode();
    for (size_t i = 0; pMode && i < pMode->size(); ++i) {
        const CModeItem& item = pMode->item(i);
        if (item.getIndexKind() != CModeItem::INDEX_ANALYZE)
            continue;
        const std::string* pName = item.getComponent("analyzer");
        analyze::CAnalyzer* pAnalyzer = m_pDefaultAnalyzer;
        if (pName && *pName != defaultName)
            pAnalyzer = sharedAnalyzer(*pName);
        if (pName)
            m_analyzerByName[*pName] = pAnalyzer;
        m_fieldAnalyzers[item.getFieldID()] = pAnalyzer;
    }
}

analyze::CAnalyzer* CIndexWriter::sharedAnalyzer(const std::string& identifier)
{
    auto it = m_analyzerByName.find(identifier);
    if (it != m_analyzerByName.end())
        return it->second;
    analyze::CAnalyzer::CCreator* pCreator = analyze::CAnalyzerRegistry::instance().find(identifier);
    std::unique_ptr<analyze::CAnalyzer> pAnalyzer = pCreator ? pCreator->create() : nullptr;
    if (!pAnalyzer)
        return m_pDefaultAnalyzer;
    m_analyzers.push_back(std::move(pAnalyzer));
    return m_analyzers.back().get();
}

parse::CParser* CIndexWriter::parserFor(int32_t fileType)
{
    std::unique_ptr<parse::CParser>& pParser = m_parsers[fileType];
    if (!pParser) {
        parse::CParser::CCreator* pCreator = parse::CParserRegistry::instance().findByFileType(fileType);
        if (pCreator)
            pParser = pCreator->create();
        if (!pParser) {
            CS_LOG_ERROR("can't load the parser of file type:%d", fileType);
            return nullptr;
        }
        pParser->setContentMode(m_pIndex->getContentMode());
    }
    return pParser.get();
}

CPrepareQueue& CIndexWriter::queue()
{
    if (!m_pQueue) {
        const content::CContentMode* pMode = m_pIndex->getContentMode();
        CS_ASSERT_ARG(pMode);
        // One thread: one document at a time, prepared when it is indexed.
        CPrepareQueue::CBounds bounds{m_threads == 2 ? QUEUE_DOCUMENTS : 1, QUEUE_BYTES};
        m_pQueue = std::make_unique<CPrepareQueue>(
            *pMode, [this](CContent& content) { prepareDocument(content); }, m_threads == 2, bounds);
    }
    return *m_pQueue;
}

void CIndexWriter::handOverFilled()
{
    if (m_pFilling)
        queue().handOver(*std::exchange(m_pFilling, nullptr));
}

bool CIndexWriter::indexNext(bool wait)
{
    return m_pQueue && m_pQueue->indexNext([this](CContent& content) { indexDocument(content); }, wait);
}

CContent* CIndexWriter::nextDocument()
{
    indexDocuments();
    CPrepareQueue& documents = queue();
    while (!(m_pFilling = documents.freeDocument()))
        indexNext(true);
    return m_pFilling;
}

void CIndexWriter::indexDocuments()
{
    handOverFilled();
    // What is prepared goes on to the barrel writer at once.
    while (indexNext(false)) {
    }
}

void CIndexWriter::drainDocuments()
{
    handOverFilled();
    if (m_pQueue)
        m_pQueue->drain([this](CContent& content) { indexDocument(content); });
}

void CIndexWriter::runInOrder(std::function<void()> step)
{
    indexDocuments();
    queue().addStep(std::move(step));
}

// On the second thread when there is one: it touches nothing but the
// document, the parsers and the analyzers.
void CIndexWriter::prepareDocument(CContent& content)
{
    if (content.getState() == CContent::STATE_NEW) {
        int32_t fileType = content.getFileType();
        parse::CParser* pParser = nullptr;
        if (fileType >= 0 && fileType < content::filetype::COUNT)
            pParser = parserFor(fileType);
        if (!pParser) {
            content.setDropReason(content::DropReason::NO_PARSER);
            return;
        }
        if (pParser->parse(&content) == 0)
            return;
    }
    content.analyze(m_fieldAnalyzers);
}

// A document the analysis did not reach was dropped by its parser.
void CIndexWriter::indexDocument(CContent& content)
{
    if (content.getState() != CContent::STATE_ANALYZED) {
        if (m_pFlushListener)
            m_pFlushListener->documentDropped(content);
        content.clear();
        return;
    }
    ++m_kindCounts[content.getRecordKind()];
    addDocument(content);
    content.setState(CContent::STATE_NEW);
}

void CIndexWriter::addDocument(CContent& content)
{
    if (!m_pBarrelWriter)
        createBarrelWriter();
    int32_t docid = m_pCurrentBarrel->getDocCount();
    m_pBarrelWriter->addDocument(docid, content);
    m_pCurrentBarrel->setDocCount(docid + 1);
    if (m_pFlushListener)
        m_pFlushListener->documentAdded(content, m_pCurrentBarrel->getDocStart() + docid);
    content.clear();

    bool memorySpent = m_pMemory->overflowBlocks() > 0;
    bool firstBarrelFull = m_firstBarrel && m_pCurrentBarrel->getDocCount() >= m_firstBarrelThreshold;
    if (!memorySpent && !firstBarrelFull)
        return;
    m_firstBarrel = 0;
    flushAndContinue();
}

void CIndexWriter::flushAndContinue()
{
    flush();
    m_pBarrelWriter->beginBarrel(m_pCurrentBarrel->getName());
}

void CIndexWriter::createBarrelWriter()
{
    CS_LOG_INFO("creating barrel index writer");
    addBarrelRecord();
    m_pBarrelWriter =
        std::make_unique<CIndexBarrelWriter>(m_pCurrentBarrel->getName(), m_pIndex->getDirectory(), m_pMemory);
    m_pCurrentBarrel->setWriter(m_pBarrelWriter.get());
    const FieldFactoryMap& factories = m_pIndex->getFieldFactories();
    content::CContentMode* pMode = m_pIndex->getContentMode();
    CS_ASSERT_ARG(pMode);
    m_pBarrelWriter->setContentMode(pMode);
    m_pBarrelWriter->createFieldIndexers(factories);
    // index_status.xml records the mode the barrels are written with.
    m_pBarrelsInfo->setContentMode(pMode);
    createMerger();
}

void CIndexWriter::addBarrelRecord()
{
    const CBarrelInfo* pLast = m_pBarrelsInfo->last();
    int32_t docStart = pLast ? pLast->getDocStart() + pLast->getDocCount() : 0;
    m_pCurrentBarrel = m_pBarrelsInfo->addBarrel(m_pBarrelsInfo->newBarrelName(), docStart);
    if (m_pBarrelWriter)
        m_pCurrentBarrel->setWriter(m_pBarrelWriter.get());
}

void CIndexWriter::flush()
{
    m_pIndex->setModified();
    m_pBarrelWriter->write();
    m_pBarrelWriter->close();
    m_pBarrelWriter->reset();
    hooks::ReachFlushPoint(hooks::BARREL_WRITTEN);
    writeDeletions();
    m_pBarrelsInfo->write(*m_pIndex->getDirectory());
    hooks::ReachFlushPoint(hooks::STATUS_WRITTEN);
    // The collection's progress is written before any file of the barrel
    // takes its final name, and takes its own final name with them.
    if (m_pFlushListener)
        m_pFlushListener->saveStatus();
    hooks::ReachFlushPoint(hooks::COLLECTION_SAVED);
    rename();
    // A barrel whose files were incomplete was dropped by the rename.
    if (m_pCurrentBarrel)
        utility::CConsoleProgress::instance().barrelWritten();
    m_kindCounts.clear();
    // The barrel's files are closed: the merge finds nothing of it open.
    if (m_pCurrentBarrel)
        m_pCurrentBarrel->setWriter(nullptr);

    // The merge works in the index memory, which the barrel no longer needs.
    m_pMemory->rewind();
    mergeBarrels(m_pMemory->firstBlock(), m_pMemory->firstBlockSize());
    m_pMemory->rewind();
    addBarrelRecord();
}

void CIndexWriter::rename()
{
    CRenameMarker::create();
    hooks::ReachFlushPoint(hooks::MARKER_CREATED);
    CS_LOG_INFO("current barrel index has been created. Now index writer is renaming it");
    store::CDirectory& directory = *m_pIndex->getDirectory();
    const std::string barrel = m_pBarrelsInfo->last()->getName();
    size_t present = 0;
    for (const char* extension : format::FLUSHED_FILES)
        present += directory.fileExists(format::TmpName(barrel + extension)) ? 1 : 0;

    if (present == std::size(format::FLUSHED_FILES)) {
        // One replacement for everything this flush wrote: the barrel, the
        // barrel list and the collection's state. Once the plan is on disk a
        // crash is completed by the next run; before, nothing final changed.
        CReplacePlan plan(&directory);
        for (const char* extension : format::FLUSHED_FILES)
            plan.addRename(0, format::TmpName(barrel + extension), barrel + extension);
        plan.addTmpRenames(0, barrel);
        plan.commit();
        plan.execute();
        hooks::ReachFlushPoint(hooks::RENAMED);
        CS_LOG_INFO("Now index writer has compeleted renaming it");
        // From here on the barrel's documents are in the index for good.
        const CBarrelInfo* pBarrel = m_pBarrelsInfo->last();
        CS_LOG_INFO("barrel %s of %d documents from %d is in the index", barrel.c_str(), pBarrel->getDocCount(),
                     pBarrel->getDocStart());
    } else if (present > 0) {
        dropIncompleteBarrel(barrel);
        CS_LOG_INFO("Now index writer has compeleted renaming it");
    }
    CRenameMarker::remove();
    CS_LOG_INFO("file line :%d CIndexWriter::rename() delete file %s", __LINE__, CRenameMarker::path().c_str());
    hooks::ReachFlushPoint(hooks::MARKER_REMOVED);
}

void CIndexWriter::deleteDocument(int32_t docNumber)
{
    // The current barrel is renamed into place whole; only a flushed one takes a .del.
    bool flushed = false;
    for (size_t i = 0; i < m_pBarrelsInfo->size() && !flushed; ++i) {
        const CBarrelInfo* pBarrel = m_pBarrelsInfo->getBarrel(i);
        flushed = pBarrel != m_pCurrentBarrel && docNumber >= pBarrel->getDocStart() &&
                  docNumber < pBarrel->getDocStart() + pBarrel->getDocCount();
    }
    CS_ASSERT_ARG_TEXT(flushed, "docNumber in a flushed barrel");
    m_pendingDeletions.push_back(docNumber);
}

void CIndexWriter::writeDeletions()
{
    store::CDirectory& directory = *m_pIndex->getDirectory();
    for (size_t i = 0; i < m_pBarrelsInfo->size() && !m_pendingDeletions.empty(); ++i) {
        CBarrelInfo* pBarrel = m_pBarrelsInfo->getBarrel(i);
        int32_t start = pBarrel->getDocStart(), count = pBarrel->getDocCount();
        auto inBarrel = [&](int32_t doc) { return doc >= start && doc < start + count; };
        if (pBarrel == m_pCurrentBarrel ||
            std::none_of(m_pendingDeletions.begin(), m_pendingDeletions.end(), inBarrel))
            continue;
        // The marks already made stay: the barrel's bitmap grows by these.
        const std::string name = pBarrel->getName() + format::DEL;
        utility::CDocDeleted deleted;
        if (directory.fileExists(name))
            LoadDeletedFile(directory.getFullPath(name), deleted);
        if (deleted.docNum() < static_cast<uint32_t>(count))
            deleted.grow(static_cast<uint32_t>(count) - deleted.docNum());
        for (int32_t doc : m_pendingDeletions) {
            if (inBarrel(doc))
                deleted.setDeleted(doc - start);
        }
        std::string path = directory.getFullPath(format::TmpName(name));
        if (!deleted.save(path))
            CS_THROW("failed to write %s", path.c_str());
        pBarrel->setDeletedCount(static_cast<int32_t>(deleted.docDelNum()));
    }
    m_pendingDeletions.clear();
}

void CIndexWriter::commit()
{
    drainDocuments();
    if (m_pBarrelWriter && m_pCurrentBarrel && m_pCurrentBarrel->getDocCount() > 0)
        flushAndContinue();
    else
        commitWithoutBarrel();
}

void CIndexWriter::commitWithoutBarrel()
{
    store::CDirectory& directory = *m_pIndex->getDirectory();
    m_pIndex->setModified();
    if (!m_pendingDeletions.empty()) {
        writeDeletions();
        m_pBarrelsInfo->write(directory);
    }
    if (m_pFlushListener)
        m_pFlushListener->saveStatus();
    CReplacePlan plan(&directory);
    plan.addTmpRenames(0);
    if (plan.empty())
        return;
    CRenameMarker::create();
    plan.commit();
    plan.execute();
    CRenameMarker::remove();
    CS_LOG_INFO("deletions and collection state are in the index");
}

void CIndexWriter::dropIncompleteBarrel(const std::string& barrel)
{
    // The previous index_status.xml stays in force, and so does the
    // collection's previous state: nothing this flush wrote is kept.
    CS_LOG_WARN("files of barrel %s are missing, the barrel is dropped", barrel.c_str());
    store::CDirectory& directory = *m_pIndex->getDirectory();
    directory.removeFiles(format::TmpPattern());
    m_pBarrelsInfo->deleteBarrel(barrel, directory);
    m_pCurrentBarrel = nullptr;
}

void CIndexWriter::createMerger()
{
    if (m_pMerger)
        return;
    m_pMerger = std::make_unique<CHTIndexMerger>(m_pIndex->getDirectory());
    m_pMerger->setFactorySearcher(&m_pIndex->getFieldFactories());
    m_pMerger->setThreads(m_threads);
    if (const utility::CGlobalConfig* pConfig = utility::g_pGlobalConfig) {
        m_pMerger->setParam(static_cast<int>(pConfig->mergeM()), static_cast<int>(pConfig->mergeC()),
                            static_cast<int>(pConfig->mergeS()));
        m_pMerger->setRecycleStrategy(pConfig->recycleStrategy());
        if (pConfig->recycleStrategy() == CIndexMerger::RECYCLE_RATIO)
            m_pMerger->setRecycleRatio(pConfig->recycleParamRatio());
        else if (pConfig->recycleStrategy() == CIndexMerger::RECYCLE_COUNT)
            m_pMerger->setRecycleCount(pConfig->recycleParamCount());
    }
}

void CIndexWriter::mergeBarrels(uint8_t* pMemory, size_t size)
{
    createMerger();
    m_pMerger->setBuffer(reinterpret_cast<char*>(pMemory), static_cast<int64_t>(size));
    m_pMerger->setFlushListener(m_pFlushListener);
    m_pMerger->merge(m_pBarrelsInfo);
    m_pMerger->setBuffer(nullptr, 0);
}

void CIndexWriter::merge()
{
    drainDocuments();
    if (m_pBarrelWriter && m_pCurrentBarrel && m_pCurrentBarrel->getDocCount() > 0) {
        CS_LOG_DEBUG("memory has index data,can't merge index");
        return;
    }
    createMerger();
    if (!m_pBarrelsInfo)
        return;
    std::unique_ptr<uint8_t[]> pBuffer(new uint8_t[MERGE_BUFFER_SIZE]);
    m_pIndex->setModified();
    mergeBarrels(pBuffer.get(), MERGE_BUFFER_SIZE);
}

void CIndexWriter::close()
{
    if (m_closed)
        return;
    CS_LOG_INFO("indexwriter close");
    drainDocuments();
    if (m_pBarrelWriter && m_pCurrentBarrel && m_pCurrentBarrel->getDocCount() > 0)
        flush();
    discardBarrelWriter();
    m_pMerger.reset();
    m_pQueue.reset();
    m_closed = true;
}

void CIndexWriter::discardBarrelWriter()
{
    // The barrel begun after the last flush holds no document: its record
    // goes, and so do the stored-fields files opened for it.
    if (m_pBarrelWriter)
        m_pBarrelWriter->closeFiles();
    if (m_pCurrentBarrel) {
        std::string name = m_pCurrentBarrel->getName();
        m_pCurrentBarrel = nullptr;
        m_pBarrelsInfo->deleteBarrel(name, *m_pIndex->getDirectory());
    }
    m_pBarrelWriter.reset();
}

int32_t CIndexWriter::getKindCount(uint16_t kind) const
{
    auto it = m_kindCounts.find(kind);
    return it == m_kindCounts.end() ? 0 : it->second;
}

} // namespace cs::index
