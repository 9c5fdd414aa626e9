#include "index/fields/TextFieldFactory.h"

#include "index/fields/TextFieldIndexer.h"
#include "index/merge/TextMerger.h"
#include "index/terms/TextIndexTermReader.h"

namespace cs::index {

CTextFieldFactory& CTextFieldFactory::instance()
{
    static CTextFieldFactory factory;
    return factory;
}

CFieldIndexer* CTextFieldFactory::createFieldIndexer(utility::CMemoryCache* pMemory)
{
    return new CTextFieldIndexer(pMemory);
}

CFieldMerger* CTextFieldFactory::createFieldMerger() { return new CTextMerger(); }

CIndexTermReader* CTextFieldFactory::createTermReader() { return new CTextIndexTermReader(); }

} // namespace cs::index
