#include "index/fields/ValueFieldIndexer.h"

#include "index/postings/MemoryPostingDoc.h"
#include "index/postings/MemoryPostingWord.h"
#include "utility/Logger.h"

namespace cs::index {

void CValueFieldIndexer::addField(int32_t docid, const content::CField* pField)
{
    const analyze::CTokenList<analyze::wid_t>* pTokens = tokensOf(pField);
    if (!pTokens)
        return;
    bool withPositions = KeepsPositions(m_positions, m_indexWay);
    int32_t position = 0;
    for (analyze::wid_t term : *pTokens) {
        if (term == -1)
            continue;
        std::unique_ptr<CMemoryPosting>& pPosting = m_postings[term];
        if (withPositions) {
            if (!pPosting)
                pPosting = std::make_unique<CMemoryPostingWord>(m_pMemory);
            static_cast<CMemoryPostingWord&>(*pPosting).add(docid, position++);
        } else {
            if (!pPosting)
                pPosting = std::make_unique<CMemoryPostingDoc>(m_pMemory);
            static_cast<CMemoryPostingDoc&>(*pPosting).add(docid);
        }
    }
}

void CValueFieldIndexer::forEachPosting(const PostingVisitor& visit)
{
    for (auto& [term, pPosting] : m_postings)
        visit(term, *pPosting);
}

void CValueFieldIndexer::logWriting(bool finished) const
{
    if (finished)
        CS_LOG_DEBUG("%s has compeleted writing index data", m_logName);
    else
        CS_LOG_DEBUG("%s is writing index data", m_logName);
}

} // namespace cs::index
