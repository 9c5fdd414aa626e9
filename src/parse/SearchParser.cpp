#include "parse/SearchParser.h"

#include <cstring>

#include "config/ConfigNumber.h"
#include "content/Content.h"
#include "parse/TextEncoding.h"
#include "utility/Blanks.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::parse {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// True when text[i] starts an escape "%" with two hexadecimal digits.
bool IsEscape(const std::string& text, size_t i)
{
    return i + 2 < text.size() && text[i] == '%' && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0;
}

char EscapedByte(const std::string& text, size_t i)
{
    return static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2]));
}

// Every escape becomes the byte it gives; everything else is copied.
void PercentDecode(std::string& text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
        if (IsEscape(text, i)) {
            text[out++] = EscapedByte(text, i);
            i += 3;
        } else {
            text[out++] = text[i++];
        }
    }
    text.resize(out);
}

} // namespace

CSearchParser::CSearchParser()
{
    loadEngines();
    static const struct {
        const char* key;
        const char* startWord;
        int32_t charset;
    } kBuiltIn[] = {
        {"google", "q=", content::encoding::UTF8},       {"baidu", "wd=", content::encoding::GBK},    {"yahoo", "p=", content::encoding::UTF8},
        {"live", "q=", content::encoding::UTF8},         {"sogou", "query=", content::encoding::GBK}, {"163", "q=", content::encoding::GBK},
        {"iask", "_searchkey=", content::encoding::GBK}, {"zhongsou", "w=", content::encoding::GBK},  {"tom", "w=", content::encoding::GBK},
        {"yisou", ":", content::encoding::UTF8},         {"soso", "w=", content::encoding::GBK},      {"tianwang", "word=", content::encoding::GBK},
    };
    for (const auto& engine : kBuiltIn)
        m_engines[engine.key] = CEngine{engine.startWord, engine.key, engine.charset};
}

void CSearchParser::loadEngines()
{
    utility::CConfigPath& paths = utility::CConfigPath::instance();
    utility::CXmlDocument document;
    if (!paths.hasPath("SEARCH_KEYWORDS_CONFIG") || !document.parseFile(paths.getPath("SEARCH_KEYWORDS_CONFIG")))
        return;
    size_t count = 0;
    for (utility::CXmlNode entry = document.select("/config/search_top").firstChild(); entry;
         entry = entry.nextSibling()) {
        if (count == MAX_CONFIGURED_ENGINES) {
            CS_LOG_INFO("the number of search config is more than 1000.only use first 1000");
            break;
        }
        ++count;
        CEngine engine;
        std::string charset;
        // An entry without a domain or a start word could never match.
        if (!entry.getAttribute("domain", engine.domain) || engine.domain.empty() ||
            !entry.getAttribute("startword", engine.startWord) || engine.startWord.empty())
            continue;
        entry.getAttribute("charset", charset);
        engine.charset = EncodingOfCharset(charset);
        m_engines[engine.domain] = engine;
    }
    struct {
        const char* xpath;
        bool* pSwitch;
    } switches[] = {{"/config/utf8", &m_convertUtf8}, {"/config/big5", &m_convertBig5}, {"/config/ucs2", &m_convertUcs2}};
    for (const auto& entry : switches) {
        int value = 0;
        utility::CXmlNode node = document.select(entry.xpath);
        if (node && utility::ParseConfigNumber(node.content(), value))
            *entry.pSwitch = value != 0;
    }
}

void CSearchParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
}

int CSearchParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    if (content->getFileType() != content::filetype::SEARCH) {
        CS_LOG_WARN("content is not searching key words");
        return 0;
    }
    const content::CContentInput* pInput = content->getInput();
    if (!pInput || pInput->bufferCount() != 1 || pInput->getBuffer(0).allocated() == 0) {
        CS_LOG_WARN("content has no buffer data while parsing searching key words");
        return 0;
    }
    m_url.assign(pInput->getBuffer(0).data());   // up to the terminating zero

    size_t firstDot = m_url.find('.');
    if (firstDot == std::string::npos)
        return 0;
    size_t slash = m_url.find('/', firstDot);
    if (slash == std::string::npos)
        return 0;
    const CEngine* pEngine = nullptr;
    if (!findEngine(firstDot, slash, pEngine))
        return 0;
    if (pEngine ? !takeKeyword(*pEngine, slash) : !takeQuery(firstDot))
        return 0;
    PercentDecode(m_keyword);
    if (!convertKeyword())
        return 0;

    m_keyword = std::string(utility::TrimBlanks(m_keyword));
    if (m_keyword.empty())
        return 0;
    for (char& c : m_keyword) {
        if (c == '+')
            c = ' ';
    }

    m_fields.set(*content, m_keyword.data(), m_keyword.size());
    content->setEncoding(content::encoding::GBK);
    content->setState(content::CContent::STATE_PARSED);
    return 1;
}

bool CSearchParser::findEngine(size_t firstDot, size_t slash, const CEngine*& pEngine) const
{
    // The labels after the first '.': the part before it is never one.
    pEngine = nullptr;
    size_t dot = firstDot;
    size_t labels = 0;
    for (; labels < MAX_LABELS; ++labels) {
        size_t next = m_url.find('.', dot + 1);
        if (next == std::string::npos || next > slash || next == dot + 1)
            break;
        auto it = m_engines.find(m_url.substr(dot + 1, next - dot - 1));
        if (it != m_engines.end()) {
            pEngine = &it->second;
            return true;
        }
        dot = next;
    }
    return labels > 0;
}

bool CSearchParser::takeKeyword(const CEngine& engine, size_t slash)
{
    m_encoding = engine.charset;
    size_t found = m_url.find(engine.startWord, slash);
    if (engine.startWord != ":") {
        // Only a key of its own counts, not the end of a longer one.
        while (found != std::string::npos && m_url[found - 1] != '?' && m_url[found - 1] != '&')
            found = m_url.find(engine.startWord, found + engine.startWord.size());
    }
    if (found == std::string::npos)
        return false;
    size_t begin = found + engine.startWord.size();
    size_t end = m_url.find('&', begin);
    if (end == std::string::npos)
        end = m_url.find(' ', begin);
    m_keyword.assign(m_url, begin, end == std::string::npos ? std::string::npos : end - begin);
    return true;
}

bool CSearchParser::takeQuery(size_t firstDot)
{
    m_encoding = content::encoding::UNKNOWN;
    size_t question = m_url.find('?', firstDot);
    if (question == std::string::npos)
        return false;
    // Runs of escapes that hold UTF-8 text are decoded to GBK here; the rest
    // stay escaped for the decoding that follows.
    m_keyword.clear();
    std::string run;
    for (size_t i = question; i < m_url.size();) {
        if (!IsEscape(m_url, i)) {
            m_keyword.push_back(m_url[i++]);
            continue;
        }
        size_t runStart = i;
        run.clear();
        for (; IsEscape(m_url, i); i += 3)
            run.push_back(EscapedByte(m_url, i));
        if (run.size() % 3 == 0 && IsUtf8Text(run.data(), run.size(), run.size())) {
            Utf8ToGbkInPlace(run);
            m_keyword += run;
        } else {
            m_keyword.append(m_url, runStart, i - runStart);
        }
    }
    return true;
}

bool CSearchParser::convertKeyword()
{
    bool convert = (m_encoding == content::encoding::UTF8 && m_convertUtf8) || (m_encoding == content::encoding::BIG5 && m_convertBig5) ||
                   (m_encoding == content::encoding::UCS2 && m_convertUcs2);
    if (!convert)
        return true;
    if (!ConvertToGbk(m_encoding, m_keyword.data(), m_keyword.size(), m_converted)) {
        CS_LOG_WARN(" can't transfer text code while parsing searching key words ");
        return false;
    }
    if (m_converted.size() > m_keyword.size())
        CS_LOG_ERROR("the out buffer is not enough while searchparser transfering code");
    m_keyword.swap(m_converted);
    return true;
}

} // namespace cs::parse
