// Web pages (file type 1): the visible text of the page, converted to GBK,
// with its character references decoded and its white space collapsed.
#pragma once

#include <cstdint>
#include <string>

#include "content/FileType.h"
#include "parse/ParseBuffer.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"

namespace cs::parse {

class CHtmlParser : public CParser {
public:
    // Pages of this size or more are dropped.
    static constexpr int64_t MAX_PAGE_LENGTH = 10485760;
    // Smallest text buffer, and the least it grows by.
    static constexpr size_t TEXT_BUFFER_STEP = 32678;

    // Takes the character set the page declares in a meta tag.
    void detectEncoding() override;
    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

private:
    CTextFields m_fields;
    CParseBuffer m_readBuffer;
    std::string m_text;        // visible text
    std::string m_converted;   // the visible text in GBK
    std::string m_decoded;     // ... with its character references decoded
    std::string m_collapsed;
    int32_t m_encoding = content::encoding::UNKNOWN;
};

} // namespace cs::parse
