// The in-memory dictionary of one indexed field of the barrel being filled:
// term value to posting. At flush it writes the field's term dictionary to
// .tid and the postings to .did and .pid.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "analyze/TokenList.h"
#include "index/postings/OutputDescriptor.h"
#include "utility/MemoryCache.h"

namespace cs::content {
class CField;
}

namespace cs::index {

class CMemoryPosting;

class CFieldIndexer {
public:
    // Deletes the postings.
    virtual ~CFieldIndexer() = default;
    CFieldIndexer(const CFieldIndexer&) = delete;
    CFieldIndexer& operator=(const CFieldIndexer&) = delete;

    // Posts the tokens of one field of document `docid`; a missing field or
    // one without a token list adds nothing.
    virtual void addField(int32_t docid, const content::CField* pField) = 0;
    virtual void addFields(const int32_t* docids, const content::CField* const* fields, int32_t count);

    // Writes the terms that have postings, in ascending order, each as VInt
    // term delta (32-bit unsigned difference), VInt document frequency and
    // VLong .did trailer offset delta, then the trailer VLong(entry bytes) and
    // VInt(term count); the postings are reset as they are written. Returns
    // the .tid offset of the trailer.
    virtual int64_t write(const COutputDescriptor* pWriterDesc);

    void setTermDictStart(int64_t offset) { m_termDictStart = offset; }
    int64_t getTermDictStart() const { return m_termDictStart; }
    // Entries written by the last write.
    int32_t getTermCount() const { return m_termCount; }

    // Every posting starts empty again; the dictionary keeps its terms.
    virtual void reset();

    const std::string& getFieldName() const { return m_fieldName; }
    void setFieldName(const std::string& name) { m_fieldName = name; }
    int getIndexWay() const { return m_indexWay; }
    void setIndexWay(int indexWay) { m_indexWay = indexWay; }

protected:
    using PostingVisitor = std::function<void(int32_t term, CMemoryPosting& posting)>;

    // "pMemory" is required.
    explicit CFieldIndexer(utility::CMemoryCache* pMemory);

    // The token list of an analysed field, or null when the field is
    // missing or carries none.
    static const analyze::CTokenList<analyze::wid_t>* tokensOf(const content::CField* pField);

    // Hands every posting to `visit`, in ascending term order.
    virtual void forEachPosting(const PostingVisitor& visit) = 0;
    // The start and end lines of write.
    virtual void logWriting(bool finished) const = 0;

    std::string m_fieldName;
    int m_indexWay = 0;
    utility::CMemoryCache* m_pMemory;   // not owned
    int64_t m_termDictStart = 0;
    int32_t m_termCount = 0;
};

} // namespace cs::index
