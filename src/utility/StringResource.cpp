#include "utility/StringResource.h"

#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

namespace {

// The texts that are printf formats: the conversions their messages hand
// them, and the built-in text that stands in for a text with other ones.
struct CFormatText {
    const char* id;
    const char* conversions;
    const char* builtIn;
};
const CFormatText kFormatTexts[] = {
    {"IDR_LACK_MEMORY", "d", "not enough memory for the index cache: %u MiB configured in /config/index/memory"},
    {"IDR_INDEXING_GATEWAY", "s", "indexing database: %s, done: "},
};

// The conversions of a printf format in order, "%%" left out: "d" for an
// integer (d i u o x X), "s" for a text; any other conversion, a length
// modifier or a '*' stands for itself, so that it never matches.
std::string Conversions(const std::string& text)
{
    std::string conversions;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (++i < text.size() && text[i] == '%')
            continue;
        i = text.find_first_not_of("-+ #0123456789.", i);
        if (i == std::string::npos)
            return conversions + "%";   // a format cut off after its '%'
        char c = text[i];
        conversions += std::string("diuoxX").find(c) != std::string::npos ? 'd' : c;
    }
    return conversions;
}

} // namespace

CStringResource& CStringResource::instance()
{
    static CStringResource resource;
    return resource;
}

bool CStringResource::load(const std::string& path)
{
    m_failure = "no path configured";
    if (path.empty())
        return false;
    CXmlDocument document;
    if (!document.parseFile(path)) {
        m_failure = document.parseFailure();
        return false;
    }
    CXmlNode language = document.select("/string_resource/chs");
    m_failure = "no /string_resource/chs element";
    if (!language)
        return false;
    m_table.clear();
    for (CXmlNode entry = language.firstChild(); entry; entry = entry.nextSibling())
        m_table[entry.name()] = entry.content();
    for (const CFormatText& format : kFormatTexts) {
        auto it = m_table.find(format.id);
        if (it == m_table.end() || Conversions(it->second) == format.conversions)
            continue;
        CS_LOG_WARN("string resource %s of %s: the text \"%s\" has other conversions than its message hands it; "
                    "the built-in text \"%s\" is used",
                    format.id, path.c_str(), it->second.c_str(), format.builtIn);
        it->second = format.builtIn;
    }
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
