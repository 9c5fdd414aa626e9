// Reads a document's file again through the parser its file type has, as the
// indexer read it, for a snippet the stored abstract cannot give.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace cs::content {
class CContentMode;
}

namespace cs::parse {
class CParser;
}

namespace cs::search {

class CDocumentReader {
public:
    // The mode must outlive the reader.
    explicit CDocumentReader(const content::CContentMode& mode);
    ~CDocumentReader();
    CDocumentReader(const CDocumentReader&) = delete;
    CDocumentReader& operator=(const CDocumentReader&) = delete;

    // The text (GBK) the parser gives field `fieldId` of the file at `path`;
    // empty when there is no such regular file or the parser drops it.
    std::string text(const std::string& path, int32_t fieldId);

private:
    const content::CContentMode& m_mode;
    std::map<int32_t, std::unique_ptr<parse::CParser>> m_parsers;   // by file type, made on first need
};

} // namespace cs::search
