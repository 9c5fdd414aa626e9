#include "index/fields/DateTimeFieldIndexer.h"

#include "utility/Logger.h"

namespace cs::index {

void CDateTimeFieldIndexer::addField(int32_t docid, const content::CField* pField)
{
    const analyze::CTokenList<analyze::wid_t>* pTokens = tokensOf(pField);
    if (!pTokens)
        return;
    for (analyze::wid_t term : *pTokens) {
        if (term == -1)
            continue;
        std::unique_ptr<CMemoryPostingDoc>& pPosting = m_postings[term];
        if (!pPosting)
            pPosting = std::make_unique<CMemoryPostingDoc>(m_pMemory);
        pPosting->add(docid);
    }
}

void CDateTimeFieldIndexer::forEachPosting(const PostingVisitor& visit)
{
    for (auto& [term, pPosting] : m_postings)
        visit(term, *pPosting);
}

void CDateTimeFieldIndexer::logWriting(bool finished) const
{
    if (finished)
        CS_LOG_DEBUG("date field indexer has compeleted writing index data");
    else
        CS_LOG_DEBUG("date field indexer is writing index data");
}

} // namespace cs::index
