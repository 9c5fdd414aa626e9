// The indexer of crc and date fields: an ordered map by the signed value
// (a crc, a day number). The kind's rule says whether postings keep
// positions: crc fields by the index way, date fields never.
#pragma once

#include <map>
#include <memory>

#include "index/fields/FieldIndexer.h"
#include "index/fields/PositionRule.h"
#include "index/postings/MemoryPosting.h"

namespace cs::index {

class CValueFieldIndexer : public CFieldIndexer {
public:
    // `logName` ("crc indexer", "date field indexer") names the kind in the log.
    CValueFieldIndexer(utility::CMemoryCache* pMemory, PositionRule positions, const char* logName)
        : CFieldIndexer(pMemory), m_positions(positions), m_logName(logName)
    {
    }

    void addField(int32_t docid, const content::CField* pField) override;

protected:
    void forEachPosting(const PostingVisitor& visit) override;
    void logWriting(bool finished) const override;

private:
    PositionRule m_positions;
    const char* m_logName;
    std::map<int32_t, std::unique_ptr<CMemoryPosting>> m_postings;
};

} // namespace cs::index
