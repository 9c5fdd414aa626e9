#include "index/fields/FieldIndexer.h"

#include "content/Field.h"
#include "index/postings/MemoryPosting.h"
#include "utility/Error.h"

namespace cs::index {

CFieldIndexer::CFieldIndexer(utility::CMemoryCache* pMemory) : m_pMemory(pMemory)
{
    CS_ASSERT_ARG(pMemory);
}

const analyze::CTokenList<analyze::wid_t>* CFieldIndexer::tokensOf(const content::CField* pField)
{
    if (!pField || !pField->getTokens())
        return nullptr;
    const auto* pTokens = dynamic_cast<const analyze::CTokenList<analyze::wid_t>*>(pField->getTokens());
    CS_ASSERT_ARG_TEXT(pTokens != nullptr, "dynamic_cast<CTokenList<wid_t> *>(basetokens) != NULL");
    return pTokens;
}

void CFieldIndexer::addFields(const int32_t* docids, const content::CField* const* fields, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        addField(docids[i], fields[i]);
}

int64_t CFieldIndexer::write(const COutputDescriptor* pWriterDesc)
{
    logWriting(false);
    CS_ASSERT_ARG(pWriterDesc);
    store::CIndexOutput* pTdWriter = pWriterDesc->getTdWriter();
    CS_ASSERT_ARG(pTdWriter);

    m_termDictStart = pTdWriter->position();
    uint32_t previousTerm = 0;
    int64_t previousOffset = 0;
    m_termCount = 0;
    forEachPosting([&](int32_t term, CMemoryPosting& posting) {
        if (!posting.hasData())
            return;
        pTdWriter->writeVInt(static_cast<int32_t>(static_cast<uint32_t>(term) - previousTerm));
        previousTerm = static_cast<uint32_t>(term);
        pTdWriter->writeVInt(posting.docFreq());
        int64_t offset = posting.write(*pWriterDesc);
        pTdWriter->writeVLong(offset - previousOffset);
        previousOffset = offset;
        posting.reset();
        ++m_termCount;
    });
    int64_t trailer = pTdWriter->position();
    pTdWriter->writeVLong(trailer - m_termDictStart);
    pTdWriter->writeVInt(m_termCount);
    logWriting(true);
    return trailer;
}

void CFieldIndexer::reset()
{
    forEachPosting([](int32_t, CMemoryPosting& posting) { posting.reset(); });
}

} // namespace cs::index
