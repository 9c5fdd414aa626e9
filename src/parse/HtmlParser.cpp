#include "parse/HtmlParser.h"

#include <algorithm>

#include "content/Content.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/HtmlEntities.h"
#include "parse/HtmlText.h"
#include "parse/TextEncoding.h"
#include "parse/TextSearch.h"
#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::parse {

namespace {

bool Contains(const char* begin, const char* end, const char* word) { return FindNoCase(begin, end, word) != end; }

// The encoding named after "charset" in a meta tag, or content::encoding::UNKNOWN.
int32_t CharsetOfMeta(const char* begin, const char* end)
{
    const char* charset = FindNoCase(begin, end, "charset", 7);
    if (charset == end)
        return content::encoding::UNKNOWN;
    const char* name = charset + 7;
    if (Contains(name, end, "gb2312") || Contains(name, end, "gbk"))
        return content::encoding::GBK;
    if (Contains(name, end, "big-5") || Contains(name, end, "big5"))
        return content::encoding::BIG5;
    if (Contains(name, end, "utf8") || Contains(name, end, "utf-8"))
        return content::encoding::UTF8;
    return content::encoding::UNKNOWN;
}

} // namespace

void CHtmlParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
}

void CHtmlParser::detectEncoding()
{
    m_encoding = content::encoding::UNKNOWN;
    const char* const end = m_readBuffer.data() + m_readBuffer.length();
    for (const char* meta = FindNoCase(m_readBuffer.data(), end, "meta", 4); meta != end;
         meta = FindNoCase(meta + 4, end, "meta", 4)) {
        const char* tagEnd = FindByte(meta, end, '>');
        if (tagEnd == end)
            return;
        m_encoding = CharsetOfMeta(meta, tagEnd);
        if (m_encoding != content::encoding::UNKNOWN)
            return;
    }
}

int CHtmlParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    if (content->getFileType() != content::filetype::HTML) {
        CS_LOG_WARN("filetype is not HTML while parsing");
        return 0;
    }
    const std::string& path = ContentFilePath(*content);
    int64_t length = 0;
    if (!ContentFileLength(path, length) || length == 0) {
        CS_LOG_DEBUG("can't get file %s's length or length is 0", path.c_str());
        return drop(length == 0 ? content::DropReason::NO_TEXT : content::DropReason::UNREADABLE);
    }
    if (length >= MAX_PAGE_LENGTH) {
        CS_LOG_WARN("file %s is too big.length:%lld", path.c_str(), static_cast<long long>(length));
        return drop(content::DropReason::TOO_LARGE);
    }
    CReadResult read = ReadContentFile(path, static_cast<size_t>(length), m_readBuffer);
    if (read.status == CReadResult::OPEN_FAILED) {
        CS_LOG_WARN("fail to read file: %s", path.c_str());
        CS_LOG_WARN("info:%s", platform::SystemErrorText(read.error).c_str());
        return drop(content::DropReason::UNREADABLE);
    }
    if (read.status == CReadResult::SHORT_READ) {
        CS_LOG_WARN(" read file %s while parsing, read(%lld), file length(%lld), error(%s)", path.c_str(),
                    static_cast<long long>(read.bytesRead), static_cast<long long>(length),
                    platform::SystemErrorText(read.error).c_str());
        return drop(content::DropReason::UNREADABLE);
    }

    detectEncoding();
    size_t need = static_cast<size_t>(length) + 1;
    if (m_text.capacity() < need)
        m_text.reserve(std::max({need, TEXT_BUFFER_STEP, m_text.capacity() + TEXT_BUFFER_STEP}));
    m_text.clear();
    ExtractVisibleText(m_readBuffer.data(), m_readBuffer.length(), m_text);
    if (m_text.empty()) {
        CS_LOG_DEBUG("no visible text in html file %s", path.c_str());
        return drop(content::DropReason::NO_TEXT);
    }
    // The last character is the separator after the last piece of text.
    m_text.back() = '\0';
    if (IsUtf8Text(m_text.data(), m_text.size(), m_text.size()))
        m_encoding = content::encoding::UTF8;

    const char* text = m_text.data();
    size_t textLength = m_text.size() - 1;
    if (m_encoding == content::encoding::UTF8 || m_encoding == content::encoding::BIG5) {
        if (!ConvertToGbk(m_encoding, text, textLength, m_converted)) {
            CS_LOG_WARN(" can't transfer text code while html parsing.Old Code:%d ", m_encoding);
            return drop(content::DropReason::NOT_CONVERTED);
        }
        text = m_converted.data();
        textLength = m_converted.size();
    }

    // References are decoded in GBK, where the characters they stand for go.
    DecodeHtmlEntities(text, textLength, m_decoded);
    size_t runs = CollapseWhiteSpace(m_decoded.data(), m_decoded.size(), m_collapsed);
    if (m_collapsed.size() <= runs + 1) {
        CS_LOG_DEBUG("no visible text in html file %s", path.c_str());
        return drop(content::DropReason::NO_TEXT);
    }
    m_fields.set(*content, m_collapsed.data(), m_collapsed.size());
    content->setEncoding(content::encoding::GBK);
    content->setState(content::CContent::STATE_PARSED);
    return 1;
}

} // namespace cs::parse
