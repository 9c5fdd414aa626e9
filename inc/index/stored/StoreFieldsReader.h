// Reads the stored fields of a barrel's documents back: the 8-byte entry of
// B.sfi gives the record's offset in B.sfd (-1 for a document a merge left
// without a record), and the record lists the document's stored fields. The
// field information tells which fields were stored compressed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cs::store {
class CDirectory;
class CIndexInput;
}

namespace cs::index {

class CFieldInfoList;

class CStoreFieldsReader {
public:
    struct CStoredField {
        int32_t fieldId = 0;
        bool empty = false;        // stored as the empty kind: no text at all
        bool compressed = false;   // kept zlib-compressed in the file
        std::string text;          // without the terminating zero byte
    };

    // Opens B.sfi and B.sfd of the directory; `pFieldsInfo` must outlive the reader.
    CStoreFieldsReader(store::CDirectory* pDirectory, const std::string& barrelName,
                       const CFieldInfoList* pFieldsInfo);
    ~CStoreFieldsReader();
    CStoreFieldsReader(const CStoreFieldsReader&) = delete;
    CStoreFieldsReader& operator=(const CStoreFieldsReader&) = delete;

    // Entries of B.sfi.
    int32_t documentCount() const;
    // The .sfd offset of the document's record, -1 when it has none.
    int64_t recordOffset(int32_t docid);
    // Decodes the document's record into `fields`; false when it has none.
    // A record that does not decode raises, naming the file and the offset.
    bool document(int32_t docid, std::vector<CStoredField>& fields);
    // The .sfd offset just past the record decoded last.
    int64_t recordEnd() const;

    std::string dataFileName() const;
    std::string indexFileName() const;

private:
    void readField(CStoredField& field);
    [[noreturn]] void damaged(const std::string& file, const char* what, int64_t offset) const;

    std::string m_barrelPath;
    const CFieldInfoList* m_pFieldsInfo;
    std::unique_ptr<store::CIndexInput> m_pIndexInput;   // .sfi
    std::unique_ptr<store::CIndexInput> m_pDataInput;    // .sfd
    std::vector<uint8_t> m_packed;
};

} // namespace cs::index
