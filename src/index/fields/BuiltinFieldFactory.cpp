#include "index/fields/BuiltinFieldFactory.h"

#include "index/fields/TextFieldIndexer.h"
#include "index/fields/ValueFieldIndexer.h"
#include "index/merge/FieldMerger.h"
#include "index/terms/CrcIndexTermReader.h"
#include "index/terms/DateIndexTermReader.h"
#include "index/terms/TextIndexTermReader.h"

namespace cs::index {

namespace {

CFieldIndexer* NewTextIndexer(utility::CMemoryCache* pMemory) { return new CTextFieldIndexer(pMemory); }

CFieldIndexer* NewCrcIndexer(utility::CMemoryCache* pMemory)
{
    return new CValueFieldIndexer(pMemory, PositionRule::BY_INDEX_WAY, "crc indexer");
}

CFieldIndexer* NewDateIndexer(utility::CMemoryCache* pMemory)
{
    return new CValueFieldIndexer(pMemory, PositionRule::NEVER, "date field indexer");
}

template <class Reader>
CIndexTermReader* NewReader()
{
    return new Reader();
}

} // namespace

CBuiltinFieldFactory& CBuiltinFieldFactory::text()
{
    static CBuiltinFieldFactory factory("text", PositionRule::ALWAYS, NewTextIndexer,
                                        NewReader<CTextIndexTermReader>);
    return factory;
}

CBuiltinFieldFactory& CBuiltinFieldFactory::crc()
{
    static CBuiltinFieldFactory factory("crc", PositionRule::BY_INDEX_WAY, NewCrcIndexer,
                                        NewReader<CCrcIndexTermReader>);
    return factory;
}

CBuiltinFieldFactory& CBuiltinFieldFactory::date()
{
    static CBuiltinFieldFactory factory("date", PositionRule::NEVER, NewDateIndexer,
                                        NewReader<CDateIndexTermReader>);
    return factory;
}

CFieldMerger* CBuiltinFieldFactory::createFieldMerger() { return new CFieldMerger(m_name, m_positions); }

} // namespace cs::index
