// A MIME entity: its header, its decoded content and, for a multipart
// entity, its parts.
#pragma once

#include <string>
#include <vector>

#include "parse/mime/MimeHeader.h"

namespace cs::parse {

class CMimeBody : public CMimeHeader {
public:
    // Nesting deeper than this is not split further (real mail stays within
    // a handful of levels); the deeper multipart keeps its raw content and
    // has no parts.
    static constexpr int kMaxDepth = 16;
    // Parts loaded per message; further parts are dropped.
    static constexpr int kMaxParts = 1000;

    void Clear();

    // The content decoded by the transfer codec; for a multipart entity the
    // text before its first delimiter. Always followed by a zero byte.
    const std::string& GetContent() const { return m_content; }
    size_t GetContentLength() const { return m_content.size(); }

    const std::vector<CMimeBody>& GetChildren() const { return m_children; }

    // Appends the leaf parts, depth first in the order written: a multipart
    // entity contributes its parts' lists, any other entity itself.
    void GetBodyPartList(std::vector<const CMimeBody*>& parts) const;

protected:
    // Loads the entity written in [begin, end). `partsLeft` is the message's
    // remaining part budget.
    void LoadBody(const char* begin, const char* end, int depth, int& partsLeft);

private:
    void LoadParts(const char* body, const char* end, const std::string& boundary, int depth, int& partsLeft);
    void DecodeContent(const char* begin, const char* end);

    std::string m_content;
    std::vector<CMimeBody> m_children;
};

} // namespace cs::parse
