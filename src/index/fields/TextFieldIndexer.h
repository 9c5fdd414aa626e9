// The indexer of text fields: word ids are dense, so the dictionary is a
// vector indexed by the id. Positions are always kept.
#pragma once

#include <memory>
#include <vector>

#include "index/fields/FieldIndexer.h"
#include "index/postings/MemoryPostingWord.h"

namespace cs::index {

class CTextFieldIndexer : public CFieldIndexer {
public:
    explicit CTextFieldIndexer(utility::CMemoryCache* pMemory) : CFieldIndexer(pMemory) {}

    void addField(int32_t docid, const content::CField* pField) override;

protected:
    void forEachPosting(const PostingVisitor& visit) override;
    void logWriting(bool finished) const override;

private:
    std::vector<std::unique_ptr<CMemoryPostingWord>> m_postings;   // by word id
};

} // namespace cs::index
