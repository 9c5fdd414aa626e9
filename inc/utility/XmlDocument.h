// XML access over libxml2. Text inside the program is GBK; files are UTF-8:
// names, XPath expressions and content are converted at every boundary.
#pragma once

#include <memory>
#include <string>

#include "utility/StringConvertor.h"

struct _xmlDoc;
struct _xmlNode;

namespace cs::utility {

class CXmlDocument;

// A handle on one node of a document; empty when a selection found nothing.
class CXmlNode {
public:
    CXmlNode() = default;
    CXmlNode(CXmlDocument* pDoc, _xmlNode* pNode) : m_pDoc(pDoc), m_pNode(pNode) {}

    explicit operator bool() const { return m_pNode != nullptr; }
    bool empty() const { return m_pNode == nullptr; }

    std::string name() const;
    std::string content() const;
    bool getAttribute(const std::string& name, std::string& value) const;
    void setAttribute(const std::string& name, const std::string& value);
    // Content is escaped for the XML special characters.
    void setContent(const std::string& text);
    CXmlNode createChild(const std::string& name);
    CXmlNode createChild(const std::string& name, const std::string& text);

    // Element children only (text and comments are passed over).
    CXmlNode firstChild() const;
    CXmlNode nextSibling() const;

    _xmlNode* raw() const { return m_pNode; }

private:
    CXmlDocument* m_pDoc = nullptr;
    _xmlNode* m_pNode = nullptr;
};

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    bool parseFile(const std::string& path);
    // Why the last parse failed: the system's reason for a file that cannot
    // be read, else libxml2's "line N: what".
    const std::string& parseFailure() const { return m_failure; }
    // Text in UTF-8 unless `encoding` names its character set, which then
    // overrides any declaration inside the text.
    bool parseText(const std::string& text, const char* encoding = nullptr);
    void createEmpty();   // version "1.0", no root yet
    CXmlNode createRoot(const std::string& name);

    CXmlNode root();
    CXmlNode select(const std::string& xpath);

    // Formatted UTF-8, written unbuffered and committed to disk; true only when
    // every byte was written and the commit succeeded.
    bool save(const std::string& path) const;

    std::string toLocal(const char* utf8);
    std::string toUtf8(const std::string& local);

private:
    void release();

    _xmlDoc* m_pDoc = nullptr;
    std::string m_failure;
    CStringConvertor m_toUtf8;
    CStringConvertor m_toLocal;
};

} // namespace cs::utility
