// The built-in field kinds "text", "crc" and "date": each makes its own
// indexer and term reader, and a field merger named after it that follows
// the kind's rule for positions.
#pragma once

#include "index/fields/FieldFactory.h"
#include "index/fields/PositionRule.h"

namespace cs::index {

class CBuiltinFieldFactory : public CFieldFactory {
public:
    static CBuiltinFieldFactory& text();
    static CBuiltinFieldFactory& crc();
    static CBuiltinFieldFactory& date();

    const char* getName() const override { return m_name; }
    CFieldIndexer* createFieldIndexer(utility::CMemoryCache* pMemory) override { return m_newIndexer(pMemory); }
    CFieldMerger* createFieldMerger() override;
    CIndexTermReader* createTermReader() override { return m_newReader(); }
    bool keepsPositions(int indexWay) const override { return KeepsPositions(m_positions, indexWay); }

private:
    using IndexerMaker = CFieldIndexer* (*)(utility::CMemoryCache* pMemory);
    using ReaderMaker = CIndexTermReader* (*)();

    CBuiltinFieldFactory(const char* name, PositionRule positions, IndexerMaker newIndexer, ReaderMaker newReader)
        : m_name(name), m_positions(positions), m_newIndexer(newIndexer), m_newReader(newReader)
    {
    }

    const char* m_name;
    PositionRule m_positions;
    IndexerMaker m_newIndexer;
    ReaderMaker m_newReader;
};

} // namespace cs::index
