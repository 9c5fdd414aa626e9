// The indexer of date fields: an ordered map by day number, document numbers
// only whatever the index way.
#pragma once

#include <map>
#include <memory>

#include "index/fields/FieldIndexer.h"
#include "index/postings/MemoryPostingDoc.h"

namespace cs::index {

class CDateTimeFieldIndexer : public CFieldIndexer {
public:
    explicit CDateTimeFieldIndexer(utility::CMemoryCache* pMemory) : CFieldIndexer(pMemory) {}

    void addField(int32_t docid, const content::CField* pField) override;

protected:
    void forEachPosting(const PostingVisitor& visit) override;
    void logWriting(bool finished) const override;

private:
    std::map<int32_t, std::unique_ptr<CMemoryPostingDoc>> m_postings;
};

} // namespace cs::index
