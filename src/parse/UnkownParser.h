// Everything else (file type 10, and compressed files through CCompParser):
// a file is indexed by its name only; a record without a file by its own
// buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/FileType.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"

namespace cs::parse {

class CUnkownParser : public CParser {
public:
    // Longest file name taken, in bytes.
    static constexpr size_t MAX_NAME_LENGTH = 510;
    // Trash-URL fragments read from the file at most.
    static constexpr size_t MAX_TRASH_FRAGMENTS = 1000;

    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

private:
    int parseFileName(content::CContent& content, const std::string& path);
    int parseBuffer(content::CContent& content);
    bool hasTrashUrl(const char* text, size_t length);
    void loadTrashUrls();

    CTextFields m_fields;
    std::string m_fileName;
    int32_t m_encoding = content::encoding::UNKNOWN;
    std::vector<std::string> m_trashUrls;
    bool m_trashUrlsLoaded = false;
};

} // namespace cs::parse
