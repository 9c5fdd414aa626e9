#include "parse/EmlParser.h"

#include <algorithm>
#include <string_view>

#include "content/Content.h"
#include "parse/ContentFile.h"
#include "parse/HtmlEntities.h"
#include "parse/HtmlText.h"
#include "parse/TextEncoding.h"
#include "parse/TextSearch.h"
#include "parse/mime/MailWords.h"
#include "parse/mime/MimeMediaType.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/StringConvertor.h"

namespace cs::parse {

namespace {

// A charset parameter as written, without blanks or double quotes around it.
std::string TrimCharset(const std::string& value)
{
    static const char kTrimmed[] = " \t\"";
    size_t first = value.find_first_not_of(kTrimmed);
    if (first == std::string::npos)
        return std::string();
    return value.substr(first, value.find_last_not_of(kTrimmed) - first + 1);
}

// The encoding of a part's charset: UTF-8, GBK, Big5, else unknown (mail
// text is never UCS-2).
int32_t PartEncoding(const std::string& charset)
{
    int32_t encoding = EncodingOfCharset(charset);
    return encoding == content::encoding::UCS2 ? content::encoding::UNKNOWN : encoding;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SetFieldIfAny(content::CContent& content, int id, const std::string& text)
{
    if (id >= 0 && !text.empty())
        content.setFieldText(static_cast<uint32_t>(id), text.data(), text.size());
}

} // namespace

void CEmlParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
    m_sendId = FieldIdOf(*pMode, "mail_send");
    m_recvId = FieldIdOf(*pMode, "mail_recv");
}

int CEmlParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    if (content->getFileType() != content::filetype::EML) {
        CS_LOG_WARN("filetype is not EML while parsing");
        return 0;
    }
    if (!readMail(*content))
        return 0;
    if (m_message.Load(m_readBuffer.data(), m_readBuffer.length()) <= 0)
        return drop(content::DropReason::NO_TEXT);

    m_sender = FindMailSender(m_message.GetFieldValue("From"));
    m_recipients.clear();
    AppendMailRecipients(m_message.GetFieldValue("To"), m_recipients);
    AppendMailRecipients(m_message.GetFieldValue("CC"), m_recipients);

    m_mailText.clear();
    m_mailText.reserve(std::max(CParseBuffer::FIRST_SIZE, m_readBuffer.length() + 1));
    appendSubject();
    m_parts.clear();
    m_message.GetBodyPartList(m_parts);
    for (const CMimeBody* pPart : m_parts)
        appendPart(*pPart);
    if (m_mailText.empty() || m_mailText.size() >= static_cast<size_t>(MAX_MAIL_LENGTH)) {
        CS_LOG_WARN("the eml file content length is zero or too long");
        return drop(m_mailText.empty() ? content::DropReason::NO_TEXT : content::DropReason::TOO_LARGE);
    }

    CollapseWhiteSpace(m_mailText.data(), m_mailText.size(), m_collapsed);
    m_fields.set(*content, m_collapsed.data(), m_collapsed.size());
    SetFieldIfAny(*content, m_sendId, m_sender);
    SetFieldIfAny(*content, m_recvId, m_recipients);
    content->setEncoding(content::encoding::GBK);
    content->setState(content::CContent::STATE_PARSED);
    return 1;
}

bool CEmlParser::readMail(const content::CContent& content)
{
    const std::string& path = ContentFilePath(content);
    int64_t length = 0;
    if (!ContentFileLength(path, length) || length == 0) {
        CS_LOG_DEBUG("can't get file %s length or file length is zero", path.c_str());
        drop(length == 0 ? content::DropReason::NO_TEXT : content::DropReason::UNREADABLE);
        return false;
    }
    if (length >= MAX_MAIL_LENGTH) {
        CS_LOG_WARN("eml file %s is too long while parsing", path.c_str());
        drop(content::DropReason::TOO_LARGE);
        return false;
    }
    if (ReadContentFile(path, static_cast<size_t>(length), m_readBuffer).status != CReadResult::OK) {
        CS_LOG_WARN(" read file %s error! while parsing", path.c_str());
        drop(content::DropReason::UNREADABLE);
        return false;
    }
    return true;
}

void CEmlParser::appendSubject()
{
    const CMimeHeader::CField* pSubject = m_message.FindField("Subject");
    if (!pSubject)
        return;
    // The charset the encoded words declared is not trusted: the bytes decide.
    const std::string& subject = pSubject->m_value;
    int32_t encoding = DetectEncoding(subject.data(), subject.size(), subject.size());
    appendPiece(inGbk(encoding, "big5", subject.data(), subject.size()));
}

void CEmlParser::appendPart(const CMimeBody& part)
{
    if (part.GetMediaType() != MIME_TEXT)
        return;
    if (!part.GetParameter("Content-Type", "charset", m_charset))
        m_charset.clear();
    m_charset = TrimCharset(m_charset);
    m_encoding = PartEncoding(m_charset);
    const std::string& content = part.GetContent();
    std::string_view text = inGbk(m_encoding, m_charset, content.data(), content.size());

    const std::string& type = part.GetFieldValue("Content-Type");
    if (FindNoCase(type.data(), type.data() + type.size(), "text/html") != type.data() + type.size()) {
        m_visible.clear();
        ExtractVisibleText(text.data(), text.size(), m_visible);
        DecodeHtmlEntities(m_visible.data(), m_visible.size(), m_decoded);
        text = m_decoded;
    }
    appendPiece(text);
}

void CEmlParser::appendPiece(std::string_view piece)
{
    // A subject has no line end, and neither has many a base64 part: joined
    // as they are, the last word of one would run into the first of the next.
    if (!m_mailText.empty() && !piece.empty() && !IsWhiteSpace(m_mailText.back()) && !IsWhiteSpace(piece.front()))
        m_mailText.push_back('\n');
    m_mailText.append(piece.data(), piece.size());
}

std::string_view CEmlParser::inGbk(int32_t encoding, const std::string& big5Name, const char* text, size_t length)
{
    if (encoding == content::encoding::UTF8)
        ConvertToGbk(content::encoding::UTF8, text, length, m_converted);
    else if (encoding == content::encoding::BIG5)
        m_converted = utility::toGbk(std::string(text, length), big5Name);
    else
        return std::string_view(text, length);
    return m_converted;
}

} // namespace cs::parse
