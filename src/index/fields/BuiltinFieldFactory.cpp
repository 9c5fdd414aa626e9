#include "index/fields/BuiltinFieldFactory.h"

#include "index/fields/CrcIndexer.h"
#include "index/fields/DateTimeFieldIndexer.h"
#include "index/fields/TextFieldIndexer.h"
#include "index/merge/FieldMerger.h"
#include "index/terms/CrcIndexTermReader.h"
#include "index/terms/DateIndexTermReader.h"
#include "index/terms/TextIndexTermReader.h"

namespace cs::index {

namespace {

template <class Indexer>
CFieldIndexer* NewIndexer(utility::CMemoryCache* pMemory)
{
    return new Indexer(pMemory);
}

template <class Reader>
CIndexTermReader* NewReader()
{
    return new Reader();
}

} // namespace

CBuiltinFieldFactory& CBuiltinFieldFactory::text()
{
    static CBuiltinFieldFactory factory("text", PositionRule::ALWAYS, NewIndexer<CTextFieldIndexer>,
                                        NewReader<CTextIndexTermReader>);
    return factory;
}

CBuiltinFieldFactory& CBuiltinFieldFactory::crc()
{
    static CBuiltinFieldFactory factory("crc", PositionRule::BY_INDEX_WAY, NewIndexer<CCrcIndexer>,
                                        NewReader<CCrcIndexTermReader>);
    return factory;
}

CBuiltinFieldFactory& CBuiltinFieldFactory::date()
{
    static CBuiltinFieldFactory factory("date", PositionRule::NEVER, NewIndexer<CDateTimeFieldIndexer>,
                                        NewReader<CDateIndexTermReader>);
    return factory;
}

CFieldMerger* CBuiltinFieldFactory::createFieldMerger() { return new CFieldMerger(m_name, m_positions); }

} // namespace cs::index
