// Merges one indexed field of several barrels into the new barrel: a k-way
// merge of their term dictionaries in term order, each term's postings
// appended by the posting merger, the merged dictionary written in batches.
// The field kinds differ only in their name in the log and in which postings
// keep positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/fields/FieldInfo.h"
#include "index/fields/PositionRule.h"
#include "index/format/TermDictionary.h"
#include "index/merge/FieldMergeQueue.h"
#include "index/merge/PostingMerger.h"
#include "index/postings/OutputDescriptor.h"
#include "index/terms/TermInfo.h"

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CFieldFactory;

class CFieldMerger {
public:
    static constexpr int32_t TERM_BATCH = 200;
    // Lent memory beyond the read buffers goes to the posting merger above this.
    static constexpr int64_t POSTING_BUFFER_THRESHOLD = 0x100000;
    // Larger read blocks save hardly any system calls more.
    static constexpr int64_t MAX_READ_BLOCK = 65536;

    // The read block of each input of a barrel offered `share` bytes of the
    // lent memory: as large as two of them fit in the share, in steps of
    // 4096 bytes, from 4096 up to MAX_READ_BLOCK.
    static int32_t readBlock(int64_t share);

    // `kind` ("text", "crc", "date") names the kind in the log.
    CFieldMerger(const char* kind, PositionRule positions);
    ~CFieldMerger();
    CFieldMerger(const CFieldMerger&) = delete;
    CFieldMerger& operator=(const CFieldMerger&) = delete;

    void setDirectory(store::CDirectory* pDir) { m_pDirectory = pDir; }
    // Makes the term readers of the barrels.
    void setFieldFactory(CFieldFactory* pFactory) { m_pFieldFactory = pFactory; }
    // Memory lent for read buffers while merging (null: none).
    void setBuffer(char* buffer, int64_t size);

    // The field of one barrel; barrels are added in ascending document start.
    // Its documents become documents d + shift of the new barrel. With
    // `pDocDeleted` those marked deleted are dropped (the bitmap must outlive
    // the merge).
    void addField(const std::string& barrelName, int32_t docStart, int32_t shift, const CFieldInfo* pFieldInfo,
                  utility::CDocDeleted* pDocDeleted);

    // Writes the merged field to the outputs; returns its .tid trailer offset.
    int64_t merge(const COutputDescriptor& outputs);
    // Terms of the merged field.
    int32_t getTermCount() const { return m_termCount; }

private:
    struct Source {
        std::string barrelName;
        int32_t docStart;
        int32_t shift;
        CFieldInfo fieldInfo;
        utility::CDocDeleted* pDocDeleted;
    };

    void openCursors();
    void mergeTerms();
    void bufferTerm(int32_t term, int64_t offset);
    void writeBufferedTerms();
    int64_t endField();

    const char* m_kind;
    PositionRule m_positions;

    store::CDirectory* m_pDirectory = nullptr;
    std::unique_ptr<CFieldMergeQueue> m_pQueue;
    CFieldFactory* m_pFieldFactory = nullptr;
    std::unique_ptr<CPostingMerger> m_pPostingMerger;
    int32_t m_termCount = 0;
    char* m_pBuffer = nullptr;
    int64_t m_bufferSize = 0;
    std::vector<Source> m_sources;
    std::vector<std::unique_ptr<CFieldMergeInfo>> m_live;   // cursors taken out of the queue
    CTermInfo m_terms[TERM_BATCH];
    int32_t m_bufferedTerms = 0;
    std::unique_ptr<format::CTermDictionaryWriter> m_pDictionary;   // the merged dictionary
};

} // namespace cs::index
