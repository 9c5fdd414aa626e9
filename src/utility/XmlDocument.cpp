#include "utility/XmlDocument.h"

#include <cstring>
#include <new>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include "platform/Env.h"
#include "platform/Platform.h"

namespace cs::utility {

namespace {

class CSetContentFailure : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "CXmlNode::setContent() failed"; }
};

const int kParseOptions = XML_PARSE_NOBLANKS | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

const xmlChar* X(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

// libxml2 would print its own diagnostics (an unreadable file, say) to
// standard error, which carries the program's reports; every failure is
// answered by the caller's own message instead.
void IgnoreXmlDiagnostic(void*, const char*, ...) {}

// libxml2's account of the last parse failure: "line N: what".
std::string ParseFailureText()
{
    const xmlError* pError = xmlGetLastError();
    if (!pError || !pError->message)
        return "not well-formed XML";
    std::string message = pError->message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return "line " + std::to_string(pError->line) + ": " + message;
}

bool IsElement(xmlNodePtr node) { return node && node->type == XML_ELEMENT_NODE; }

xmlNodePtr NextElement(xmlNodePtr node)
{
    while (node && !IsElement(node))
        node = node->next;
    return node;
}

} // namespace

// ---- CXmlNode ------------------------------------------------------------

std::string CXmlNode::name() const
{
    return m_pNode ? m_pDoc->toLocal(reinterpret_cast<const char*>(m_pNode->name)) : std::string();
}

std::string CXmlNode::content() const
{
    if (!m_pNode)
        return std::string();
    xmlChar* text = xmlNodeGetContent(m_pNode);
    std::string result = m_pDoc->toLocal(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return result;
}

bool CXmlNode::getAttribute(const std::string& name, std::string& value) const
{
    if (!m_pNode)
        return false;
    xmlChar* text = xmlGetProp(m_pNode, X(m_pDoc->toUtf8(name)));
    if (!text)
        return false;
    value = m_pDoc->toLocal(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return true;
}

void CXmlNode::setAttribute(const std::string& name, const std::string& value)
{
    if (m_pNode)
        xmlSetProp(m_pNode, X(m_pDoc->toUtf8(name)), X(m_pDoc->toUtf8(value)));
}

void CXmlNode::setContent(const std::string& text)
{
    if (!m_pNode)
        return;
    xmlChar* escaped = xmlEncodeSpecialChars(m_pNode->doc, X(m_pDoc->toUtf8(text)));
    if (!escaped)
        throw CSetContentFailure();
    xmlNodeSetContent(m_pNode, escaped);
    xmlFree(escaped);
}

CXmlNode CXmlNode::createChild(const std::string& name)
{
    if (!m_pNode)
        return CXmlNode();
    return CXmlNode(m_pDoc, xmlNewChild(m_pNode, nullptr, X(m_pDoc->toUtf8(name)), nullptr));
}

CXmlNode CXmlNode::createChild(const std::string& name, const std::string& text)
{
    CXmlNode child = createChild(name);
    child.setContent(text);
    return child;
}

CXmlNode CXmlNode::firstChild() const
{
    return m_pNode ? CXmlNode(m_pDoc, NextElement(m_pNode->children)) : CXmlNode();
}

CXmlNode CXmlNode::nextSibling() const
{
    return m_pNode ? CXmlNode(m_pDoc, NextElement(m_pNode->next)) : CXmlNode();
}

// ---- CXmlDocument --------------------------------------------------------

CXmlDocument::CXmlDocument()
{
    xmlKeepBlanksDefault(0);
    xmlSetGenericErrorFunc(nullptr, IgnoreXmlDiagnostic);
    m_toUtf8.open("utf-8", "gbk");
    m_toLocal.open("gbk", "utf-8");
}

CXmlDocument::~CXmlDocument() { release(); }

void CXmlDocument::release()
{
    if (m_pDoc) {
        xmlFreeDoc(m_pDoc);
        m_pDoc = nullptr;
    }
}

bool CXmlDocument::parseFile(const std::string& path)
{
    release();
    std::string text;
    if (!platform::Env().readWholeFile(path, text)) {
        m_failure = platform::SystemErrorText(platform::LastErrorCode());
        return false;
    }
    xmlResetLastError();
    m_pDoc = xmlReadMemory(text.data(), static_cast<int>(text.size()), path.c_str(), nullptr, kParseOptions);
    if (!m_pDoc)
        m_failure = ParseFailureText();
    return m_pDoc != nullptr;
}

bool CXmlDocument::parseText(const std::string& text, const char* encoding)
{
    release();
    xmlResetLastError();
    m_pDoc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, encoding, kParseOptions);
    if (!m_pDoc)
        m_failure = ParseFailureText();
    return m_pDoc != nullptr;
}

void CXmlDocument::createEmpty()
{
    release();
    m_pDoc = xmlNewDoc(X("1.0"));
}

CXmlNode CXmlDocument::createRoot(const std::string& name)
{
    if (!m_pDoc)
        createEmpty();
    xmlNodePtr node = xmlNewNode(nullptr, X(toUtf8(name)));
    xmlNodePtr old = xmlDocSetRootElement(m_pDoc, node);
    if (old)
        xmlFreeNode(old);
    return CXmlNode(this, node);
}

CXmlNode CXmlDocument::root()
{
    return m_pDoc ? CXmlNode(this, xmlDocGetRootElement(m_pDoc)) : CXmlNode();
}

CXmlNode CXmlDocument::select(const std::string& xpath)
{
    if (!m_pDoc)
        return CXmlNode();
    xmlXPathContextPtr context = xmlXPathNewContext(m_pDoc);
    if (!context)
        return CXmlNode();
    xmlXPathObjectPtr result = xmlXPathEvalExpression(X(toUtf8(xpath)), context);
    xmlNodePtr node = nullptr;
    if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0)
        node = result->nodesetval->nodeTab[0];
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    return CXmlNode(this, node);
}

bool CXmlDocument::save(const std::string& path) const
{
    if (!m_pDoc)
        return false;
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(m_pDoc, &text, &size, "UTF-8", 1);
    if (!text)
        return false;
    platform::CEnv& env = platform::Env();
    bool ok = false;
    int fd = env.createTruncated(path, platform::Readers::Everyone);
    if (fd != -1) {
        ok = env.writeAll(fd, text, static_cast<size_t>(size)) && env.commitFile(fd);
        ok = env.closeFile(fd) && ok;
    }
    xmlFree(text);
    return ok;
}

std::string CXmlDocument::toLocal(const char* utf8)
{
    return utf8 ? m_toLocal.convert(utf8, std::strlen(utf8)) : std::string();
}

std::string CXmlDocument::toUtf8(const std::string& local) { return m_toUtf8.convert(local); }

} // namespace cs::utility
