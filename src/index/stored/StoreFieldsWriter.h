// Writes the stored fields of the barrel's documents: per document an 8-byte
// entry of B.sfi (the record's .sfd offset) and the record in B.sfd, both
// under ".tmp" names until the barrel is renamed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct libdeflate_compressor;

namespace cs::content {
class CContent;
class CField;
}

namespace cs::store {
class CDirectory;
class CIndexOutput;
}

namespace cs::index {

class CFieldInfoList;

class CStoreFieldsWriter {
public:
    CStoreFieldsWriter() = default;
    ~CStoreFieldsWriter();
    CStoreFieldsWriter(const CStoreFieldsWriter&) = delete;
    CStoreFieldsWriter& operator=(const CStoreFieldsWriter&) = delete;

    // Closes what is open and creates B.sfi.tmp and B.sfd.tmp. What is stored
    // follows each document field's own store kind.
    void open(store::CDirectory* pDirectory, const std::string& barrelName, CFieldInfoList* fieldsInfo);
    // The record of document `docid` (its local number); a missing document
    // is logged and skipped.
    void addDocument(int32_t docid, const content::CContent* pContent);
    // Writes what is buffered, commits and closes both files; nothing when
    // they are not open.
    void close();

private:
    void writeField(const content::CField& field);
    void writeText(const char* text, size_t length, int32_t storeKind);

    std::unique_ptr<store::CIndexOutput> m_pDataOutput;    // .sfd
    std::unique_ptr<store::CIndexOutput> m_pIndexOutput;   // .sfi
    std::vector<uint8_t> m_text;     // the text and its zero byte
    std::vector<uint8_t> m_packed;   // its compressed form
    // Made on the first compressed field and kept for the writer's life.
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> m_pCompressor{nullptr, nullptr};
};

} // namespace cs::index
