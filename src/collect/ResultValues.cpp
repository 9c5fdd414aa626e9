#include "collect/ResultValues.h"

#include "parse/TrashLists.h"
#include "utility/Logger.h"

namespace cs::collection {

void CResultValues::parse(const std::string& result)
{
    m_values.clear();
    if (!m_doc.parseText(result, "GBK")) {
        CS_LOG_DEBUG("can not parse result");
        return;
    }
    std::string name;
    for (utility::CXmlNode child = m_doc.root().firstChild(); child; child = child.nextSibling()) {
        if (child.getAttribute("n", name))
            m_values.emplace(name, child.content());
    }
}

const std::string& CResultValues::value(const std::string& name) const
{
    static const std::string kNone;
    auto it = m_values.find(name);
    return it == m_values.end() ? kNone : it->second;
}

bool HostHoldsTrashDomain(const std::string& result)
{
    static const std::string kHostTag = "<_f n=\"host\">";
    size_t start = result.find(kHostTag);
    if (start == std::string::npos)
        return false;
    size_t end = result.find("</_f>", start);
    std::string host = result.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return host.find(parse::kTrashDomain) != std::string::npos;
}

} // namespace cs::collection
