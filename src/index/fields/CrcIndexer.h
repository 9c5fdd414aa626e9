// The indexer of crc fields: an ordered map by the signed value. Index way 0
// keeps positions, index way 1 document numbers only.
#pragma once

#include <map>
#include <memory>

#include "index/fields/FieldIndexer.h"
#include "index/postings/MemoryPosting.h"

namespace cs::index {

class CCrcIndexer : public CFieldIndexer {
public:
    explicit CCrcIndexer(utility::CMemoryCache* pMemory) : CFieldIndexer(pMemory) {}

    void addField(int32_t docid, const content::CField* pField) override;

protected:
    void forEachPosting(const PostingVisitor& visit) override;
    void logWriting(bool finished) const override;

private:
    std::map<int32_t, std::unique_ptr<CMemoryPosting>> m_postings;
};

} // namespace cs::index
