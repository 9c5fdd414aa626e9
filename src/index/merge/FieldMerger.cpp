#include "index/merge/FieldMerger.h"

#include <algorithm>

#include "index/fields/FieldFactory.h"
#include "index/merge/DocPostingMerger.h"
#include "index/merge/WordPostingMerger.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::index {

CFieldMerger::CFieldMerger(const char* kind, PositionRule positions) : m_kind(kind), m_positions(positions) {}

CFieldMerger::~CFieldMerger()
{
    // Cursors hold term readers over the sources: they go before the sources.
    m_live.clear();
    m_pQueue.reset();
}

void CFieldMerger::setBuffer(char* buffer, int64_t size)
{
    m_pBuffer = size > 0 ? buffer : nullptr;
    m_bufferSize = m_pBuffer ? size : 0;
}

void CFieldMerger::addField(const std::string& barrelName, int32_t docStart, int32_t shift,
                            const CFieldInfo* pFieldInfo, utility::CDocDeleted* pDocDeleted)
{
    CS_ASSERT_ARG(pFieldInfo);
    m_sources.push_back(Source{barrelName, docStart, shift, *pFieldInfo, pDocDeleted});
}

int32_t CFieldMerger::readBlock(int64_t share)
{
    // A barrel reads through two inputs at most, .did and .pid.
    const int64_t unit = store::CIndexInput::BUFFER_SIZE;
    return static_cast<int32_t>(std::clamp<int64_t>(share / 2 / unit * unit, unit, MAX_READ_BLOCK));
}

void CFieldMerger::openCursors()
{
    m_pQueue = std::make_unique<CFieldMergeQueue>();
    m_pQueue->reserve(m_sources.size());
    int64_t share = m_pBuffer ? m_bufferSize / static_cast<int64_t>(m_sources.size()) : 0;
    int32_t block = readBlock(share);
    int64_t used = 0;   // read buffers are carved from the start of the lent memory
    for (Source& source : m_sources) {
        CS_ASSERT(m_pFieldFactory);
        std::unique_ptr<CIndexTermReader> pReader(m_pFieldFactory->createTermReader());
        CS_ASSERT(pReader);
        pReader->open(m_pDirectory, source.barrelName.c_str(), &source.fieldInfo, source.pDocDeleted);
        auto pCursor = std::make_unique<CFieldMergeInfo>(source.docStart, source.shift, std::move(pReader));
        int64_t taken = share > 0 ? share - pCursor->m_pIterator->setBuffer(m_pBuffer + used, share, block) : 0;
        if (pCursor->next()) {
            used += taken;
            m_pQueue->put(pCursor.get());
            pCursor.release();
        }
    }
    if (m_pBuffer && m_bufferSize - used > POSTING_BUFFER_THRESHOLD)
        m_pPostingMerger->setBuffer(m_pBuffer + used, m_bufferSize - used);
}

int64_t CFieldMerger::merge(const COutputDescriptor& outputs)
{
    CS_LOG_DEBUG("field merging");
    CS_ASSERT_ARG(outputs.getTdWriter() && outputs.getDdWriter());
    m_termCount = 0;
    m_bufferedTerms = 0;
    m_pDictionary = std::make_unique<format::CTermDictionaryWriter>(*outputs.getTdWriter());
    if (m_sources.empty())
        return endField();
    // Postings are merged as the barrels' readers hand them out.
    if (KeepsPositions(m_positions, m_sources.front().fieldInfo.getIndexWay()))
        m_pPostingMerger = std::make_unique<CWordPostingMerger>(outputs);
    else
        m_pPostingMerger = std::make_unique<CDocPostingMerger>(outputs);
    openCursors();
    mergeTerms();
    writeBufferedTerms();
    m_termCount = m_pDictionary->termCount();
    m_pQueue.reset();
    return endField();
}

void CFieldMerger::mergeTerms()
{
    while (m_pQueue->size() > 0) {
        m_live.emplace_back(m_pQueue->pop());
        const int32_t term = m_live.front()->m_term;
        while (m_pQueue->size() > 0 && m_pQueue->top()->m_term == term)
            m_live.emplace_back(m_pQueue->pop());
        for (const auto& pCursor : m_live)
            m_pPostingMerger->addPosting(pCursor->m_shift, pCursor->m_pIterator->posting());
        int64_t offset = m_pPostingMerger->endTerm();
        if (offset != -1)
            bufferTerm(term, offset);
        // The term is copied: the cursors may move on now, the last popped first.
        while (!m_live.empty()) {
            std::unique_ptr<CFieldMergeInfo> pCursor = std::move(m_live.back());
            m_live.pop_back();
            if (pCursor->next()) {
                m_pQueue->put(pCursor.get());
                pCursor.release();
            }
        }
    }
}

void CFieldMerger::bufferTerm(int32_t term, int64_t offset)
{
    CTermInfo& entry = m_terms[m_bufferedTerms++];
    entry.m_term = term;
    entry.m_docFreq = m_pPostingMerger->getDocFreq();
    entry.m_docPointer = offset;
    if (m_bufferedTerms == TERM_BATCH)
        writeBufferedTerms();
}

void CFieldMerger::writeBufferedTerms()
{
    CS_LOG_DEBUG("%s merger is writing merged index data", m_kind);
    for (int32_t i = 0; i < m_bufferedTerms; ++i)
        m_pDictionary->add(m_terms[i].m_term, m_terms[i].m_docFreq, m_terms[i].m_docPointer);
    m_bufferedTerms = 0;
}

int64_t CFieldMerger::endField()
{
    int64_t trailer = m_pDictionary->finish();
    CS_LOG_DEBUG("%s merger has compeleted merging", m_kind);
    return trailer;
}

} // namespace cs::index
