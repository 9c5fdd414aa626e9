// Plain-text files (file type 0): the file's text, converted to GBK.
#pragma once

#include <cstdint>
#include <string>

#include "content/FileType.h"
#include "parse/ParseBuffer.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"

namespace cs::parse {

class CTxtParser : public CParser {
public:
    // Longer files are cut to this many bytes.
    static constexpr int64_t MAX_TEXT_LENGTH = 0x9FFFFF;

    void detectEncoding() override;
    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

private:
    CTextFields m_fields;
    CParseBuffer m_readBuffer;
    std::string m_converted;
    int32_t m_encoding = content::encoding::UNKNOWN;
};

} // namespace cs::parse
