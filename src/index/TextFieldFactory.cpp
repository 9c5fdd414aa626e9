#include "index/TextFieldFactory.h"

#include "index/TextIndexTermReader.h"
#include "index/TextMerger.h"
#include "index/TextFieldIndexer.h"

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
