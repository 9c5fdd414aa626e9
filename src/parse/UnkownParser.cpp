#include "parse/UnkownParser.h"

#include "content/Content.h"
#include "parse/TextEncoding.h"
#include "parse/TextSearch.h"
#include "parse/TrashLists.h"
#include "platform/Env.h"
#include "utility/Blanks.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::parse {

namespace {

// True when the bytes hold something besides blanks.
bool HasText(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (!utility::IsBlank(text[i]))
            return true;
    }
    return false;
}

} // namespace

void CUnkownParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
}

int CUnkownParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    const content::CContentInput* pInput = content->getInput();
    if (pInput && pInput->getFileRef() && !pInput->getFileRef()->path.empty())
        return parseFileName(*content, pInput->getFileRef()->path);
    return parseBuffer(*content);
}

int CUnkownParser::parseFileName(content::CContent& content, const std::string& path)
{
    if (!platform::Env().pathAccessible(path))
        return drop(content::DropReason::UNREADABLE);
    if (platform::Env().isDirectory(path)) {
        CS_LOG_WARN("the path is a dir while parsing unknown type file %s", path.c_str());
        return 0;
    }
    size_t separator = path.rfind('\\');
    if (separator == std::string::npos)
        separator = path.rfind('/');
    if (separator == std::string::npos) {
        CS_LOG_WARN("can't get file name while  parsing unknown type file %s", path.c_str());
        return 0;
    }
    if (path.size() - separator - 1 > MAX_NAME_LENGTH) {
        CS_LOG_ERROR("file %s name is too long", path.c_str());
        return drop(content::DropReason::TOO_LARGE);
    }
    m_fileName.assign(path, separator + 1, std::string::npos);
    // Names come from the file system, which keeps them in UTF-8 here.
    m_encoding = IsValidUtf8(m_fileName.data(), m_fileName.size()) ? content::encoding::UTF8 : content::encoding::GBK;
    if (m_encoding == content::encoding::UTF8)
        Utf8ToGbkInPlace(m_fileName);
    m_fields.set(content, m_fileName.data(), m_fileName.size());
    content.setEncoding(content::encoding::GBK);
    content.setState(content::CContent::STATE_PARSED);
    return 1;
}

int CUnkownParser::parseBuffer(content::CContent& content)
{
    const content::CContentInput* pInput = content.getInput();
    if (!pInput || pInput->bufferCount() != 1 ||
        !HasText(pInput->getBuffer(0).data(), pInput->getBuffer(0).length())) {
        CS_LOG_DEBUG("record's buffer is empty, we skip to it");
        return 0;
    }
    const content::CContentInput::CBuffer& buffer = pInput->getBuffer(0);
    if (content.getRecordKind() == 'U' && hasTrashUrl(buffer.data(), buffer.length())) {
        CS_LOG_DEBUG("record include trash url, we skip to it");
        return 0;
    }
    if (content.getRecordKind() == 'W')
        return 0;   // a web page without its page file says nothing
    // The slot's size: the bytes and their terminating zero byte.
    m_fields.set(content, buffer.data(), buffer.allocated());
    content.setEncoding(content::encoding::UNKNOWN);
    content.setState(content::CContent::STATE_PARSED);
    return 1;
}

bool CUnkownParser::hasTrashUrl(const char* text, size_t length)
{
    if (!m_trashUrlsLoaded)
        loadTrashUrls();
    const char* end = text + length;
    for (const std::string& fragment : m_trashUrls) {
        if (FindNoCase(text, end, fragment.data(), fragment.size()) != end)
            return true;
    }
    return false;
}

void CUnkownParser::loadTrashUrls()
{
    m_trashUrlsLoaded = true;
    m_trashUrls.clear();
    utility::CConfigPath& paths = utility::CConfigPath::instance();
    utility::CXmlDocument document;
    utility::CXmlNode config;
    if (paths.hasPath("TRASHURL_STRING_CONFIG") && document.parseFile(paths.getPath("TRASHURL_STRING_CONFIG")))
        config = document.select("/config");
    if (!config) {
        for (const char* host : parse::kTrashRequestHosts)
            m_trashUrls.emplace_back(host);
        return;
    }
    size_t read = 0;
    for (utility::CXmlNode entry = config.firstChild(); entry && read < MAX_TRASH_FRAGMENTS;
         entry = entry.nextSibling(), ++read) {
        // An empty fragment would match every upload.
        std::string fragment(utility::TrimBlanks(entry.content()));
        if (!fragment.empty())
            m_trashUrls.push_back(fragment);
    }
}

} // namespace cs::parse
