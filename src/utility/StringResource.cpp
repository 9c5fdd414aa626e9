#include "utility/StringResource.h"

#include "utility/Error.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

CStringResource& CStringResource::instance()
{
    static CStringResource resource;
    return resource;
}

bool CStringResource::load(const std::string& path)
{
    if (path.empty())
        return false;
    CXmlDocument document;
    if (!document.parseFile(path))
        return false;
    CXmlNode language = document.select("/string_resource/chs");
    if (!language)
        return false;
    m_table.clear();
    for (CXmlNode entry = language.firstChild(); entry; entry = entry.nextSibling())
        m_table[entry.name()] = entry.content();
    return true;
}

std::string CStringResource::get(const std::string& id) const
{
    std::string text;
    if (!find(id, text))
        CS_THROW("failed to load string resource: %s", id.c_str());
    return text;
}

bool CStringResource::find(const std::string& id, std::string& text) const
{
    auto it = m_table.find(id);
    if (it == m_table.end())
        return false;
    text = it->second;
    return true;
}

} // namespace cs::utility
