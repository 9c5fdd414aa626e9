#include "index/fields/FieldIndexer.h"

#include "content/Field.h"
#include "index/format/TermDictionary.h"
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
    format::CTermDictionaryWriter dictionary(*pTdWriter);
    forEachPosting([&](int32_t term, CMemoryPosting& posting) {
        if (!posting.hasData())
            return;
        dictionary.add(term, posting.docFreq(), posting.write(*pWriterDesc));
        posting.reset();
    });
    int64_t trailer = dictionary.finish();
    m_termCount = dictionary.termCount();
    logWriting(true);
    return trailer;
}

void CFieldIndexer::reset()
{
    forEachPosting([](int32_t, CMemoryPosting& posting) { posting.reset(); });
}

} // namespace cs::index
