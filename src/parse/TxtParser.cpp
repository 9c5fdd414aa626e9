#include "parse/TxtParser.h"

#include "content/Content.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/TextEncoding.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::parse {

void CTxtParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
}

void CTxtParser::detectEncoding()
{
    const char* text = m_readBuffer.data();
    size_t length = m_readBuffer.length();
    m_encoding = DetectEncoding(text, length);
    // The window's tests cannot tell a short text (GBK needs the whole
    // window): the whole text decides, UTF-8 first.
    if (m_encoding != content::encoding::UNKNOWN)
        return;
    if (IsValidUtf8(text, length))
        m_encoding = content::encoding::UTF8;
    else if (IsGbkText(text, length, length))
        m_encoding = content::encoding::GBK;
}

int CTxtParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    if (content->getFileType() != content::filetype::TXT) {
        CS_LOG_WARN("filetype is not TXT while parsing");
        return 0;
    }
    const std::string& path = ContentFilePath(*content);
    int64_t length = 0;
    if (!ContentFileLength(path, length)) {
        CS_LOG_DEBUG("can't get the file %s length", path.c_str());
        return drop(content::DropReason::UNREADABLE);
    }
    if (length > MAX_TEXT_LENGTH) {
        CS_LOG_WARN("txt parser find file: %s too big(length:%lld)", path.c_str(), static_cast<long long>(length));
        length = MAX_TEXT_LENGTH;
    }
    if (ReadContentFile(path, static_cast<size_t>(length), m_readBuffer).status != CReadResult::OK) {
        CS_LOG_WARN(" read file %s while parsing ", path.c_str());
        return drop(content::DropReason::UNREADABLE);
    }

    detectEncoding();
    const char* text = m_readBuffer.data();
    size_t textLength = m_readBuffer.length();
    switch (m_encoding) {
    case content::encoding::GBK:
        ++textLength;   // the terminating zero byte goes with the text
        break;
    case content::encoding::UTF8:
    case content::encoding::BIG5:
        if (!ConvertToGbk(m_encoding, text, textLength, m_converted))
            return drop(content::DropReason::NOT_CONVERTED);
        if (m_encoding == content::encoding::UTF8)
            m_converted.push_back('\0');   // as for GBK, the zero byte goes with the text
        text = m_converted.data();
        textLength = m_converted.size();
        break;
    default:
        CS_LOG_INFO("can't tell the text encoding of file %s", path.c_str());
        return drop(content::DropReason::UNKNOWN_ENCODING);
    }

    m_fields.set(*content, text, textLength);
    content->setEncoding(content::encoding::GBK);
    content->setState(content::CContent::STATE_PARSED);
    return 1;
}

} // namespace cs::parse
