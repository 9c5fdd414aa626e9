#include "index/fields/TextFieldIndexer.h"

#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::index {

namespace {
// How far ahead of the token being posted its successors' vector slots and
// postings are fetched. Word ids jump all over a large vector, and each
// posting is a heap object of its own: without the fetch every token waits
// for two cache misses in turn.
constexpr size_t kSlotAhead = 16;
constexpr size_t kPostingAhead = 8;
} // namespace

void CTextFieldIndexer::addField(int32_t docid, const content::CField* pField)
{
    const analyze::CTokenList<analyze::wid_t>* pTokens = tokensOf(pField);
    if (!pTokens)
        return;
    const analyze::wid_t* terms = pTokens->data();
    const size_t count = pTokens->size();
    // Stop words (-1) keep no position: positions count the kept tokens.
    int32_t position = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i + kSlotAhead < count) {
            auto ahead = static_cast<uint32_t>(terms[i + kSlotAhead]);
            if (ahead < m_postings.size())
                __builtin_prefetch(&m_postings[ahead]);
        }
        if (i + kPostingAhead < count) {
            auto ahead = static_cast<uint32_t>(terms[i + kPostingAhead]);
            if (ahead < m_postings.size() && m_postings[ahead])
                m_postings[ahead]->prefetch();
        }
        analyze::wid_t term = terms[i];
        if (term == -1)
            continue;
        if (static_cast<uint32_t>(term) >= m_postings.size()) {
            // Word ids index the vector; a negative one cannot.
            CS_ASSERT_ARG(term >= 0);
            m_postings.resize(static_cast<size_t>(term) + 100);
        }
        std::unique_ptr<CMemoryPostingWord>& pPosting = m_postings[term];
        if (!pPosting)
            pPosting = std::make_unique<CMemoryPostingWord>(m_pMemory);
        pPosting->add(docid, position++);
    }
}

void CTextFieldIndexer::forEachPosting(const PostingVisitor& visit)
{
    for (size_t term = 0; term < m_postings.size(); ++term) {
        if (m_postings[term])
            visit(static_cast<int32_t>(term), *m_postings[term]);
    }
}

void CTextFieldIndexer::logWriting(bool finished) const
{
    if (finished)
        CS_LOG_INFO("text field indexer has compeleted writing index data");
    else
        CS_LOG_INFO("text field indexer is writing index data");
}

} // namespace cs::index
