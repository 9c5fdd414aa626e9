#include "index/merge/PostingMerger.h"

#include <algorithm>

#include "index/postings/DiskPosting.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

CPostingMerger::CPostingMerger(const COutputDescriptor& outputs)
    : m_pDdOutput(outputs.getDdWriter()), m_pPdOutput(outputs.getPdWriter())
{
    CS_ASSERT_ARG(m_pDdOutput);
}

CPostingMerger::~CPostingMerger() = default;

void CPostingMerger::setBuffer(char* buffer, int64_t size)
{
    m_pBuffer = size > 0 ? buffer : nullptr;
    m_bufferSize = m_pBuffer ? size : 0;
}

int32_t CPostingMerger::firstDeleted(const utility::CDocDeleted* pDocDeleted)
{
    auto found = m_firstDeleted.find(pDocDeleted);
    if (found != m_firstDeleted.end())
        return found->second;
    int32_t first = INT32_MAX;
    if (pDocDeleted->docDelNum() > 0) {
        for (int32_t doc = 0; doc < static_cast<int32_t>(pDocDeleted->docNum()); ++doc) {
            if (pDocDeleted->isDeleted(doc)) {
                first = doc;
                break;
            }
        }
    }
    m_firstDeleted.emplace(pDocDeleted, first);
    return first;
}

bool CPostingMerger::beginPosting(CDiskPosting* pPosting)
{
    if (m_first) {
        m_first = false;
        m_docListStart = m_pDdOutput->position();
        m_positionStart = m_pPdOutput ? m_pPdOutput->position() : 0;
        m_docFreq = 0;
        m_totalTermFreq = 0;
        m_lastDoc = 0;
    }
    const utility::CDocDeleted* pDocDeleted = pPosting->getDocDeleted();
    return !pDocDeleted || firstDeleted(pDocDeleted) > pPosting->getLastDoc();
}

void CPostingMerger::copyDocList(int32_t shift, CDiskPosting* pPosting)
{
    store::CIndexInput* pDid = pPosting->getInputDescriptor()->getDdInput();
    int64_t left = pPosting->getDocListBytes();
    if (shift != m_lastDoc) {
        // Deltas start from 0: the first one is the first document itself.
        int64_t before = pDid->position();
        int32_t first = pDid->readVInt();
        left -= pDid->position() - before;
        m_pDdOutput->writeVInt(static_cast<int32_t>(delta(first + shift)));
    }
    copyBytes(pDid, m_pDdOutput, left);
    m_docFreq += pPosting->docFreq();
    m_totalTermFreq += pPosting->totalTermFreq();
    m_lastDoc = pPosting->getLastDoc() + shift;
}

void CPostingMerger::copyBytes(store::CIndexInput* pInput, store::CIndexOutput* pOutput, int64_t length)
{
    if (length <= 0)
        return;
    // Postings are read in file order, so one no longer than the input's
    // buffer is mostly in it already: taken from there it costs no system call.
    if (length <= pInput->bufsize()) {
        char bytes[store::CIndexInput::BUFFER_SIZE];
        for (int64_t chunk; length > 0; length -= chunk) {
            chunk = std::min<int64_t>(length, sizeof(bytes));
            pInput->readBytes(bytes, chunk);
            pOutput->writeBytes(bytes, chunk);
        }
        return;
    }
    pOutput->copyFrom(pInput, length);
}

int64_t CPostingMerger::endTerm()
{
    m_first = true;
    if (m_docFreq == 0)
        return -1;
    return finishPosting(m_pDdOutput->position() - m_docListStart).write(*m_pDdOutput);
}

} // namespace cs::index
