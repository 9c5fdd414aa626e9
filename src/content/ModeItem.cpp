#include "content/ModeItem.h"

#include <cctype>
#include <cstdlib>

#include "utility/Format.h"

namespace cs::content {

const std::string* CModeItem::getComponent(const std::string& name) const
{
    auto it = m_components.find(name);
    return it == m_components.end() ? nullptr : &it->second;
}

int CModeItem::storeKindOf(const std::string& word)
{
    if (word == "no")
        return STORE_NO;
    if (word == "compress")
        return STORE_COMPRESS;
    return STORE_UNCOMPRESS;
}

int CModeItem::indexKindOf(const std::string& word)
{
    if (word == "analyze")
        return INDEX_ANALYZE;
    if (word == "unanalyze")
        return INDEX_UNANALYZE;
    return INDEX_NO;
}

const char* CModeItem::storeWord(int storeKind)
{
    switch (storeKind) {
    case STORE_NO:
        return "no";
    case STORE_COMPRESS:
        return "compress";
    default:
        return "uncompress";
    }
}

const char* CModeItem::indexWord(int indexKind)
{
    switch (indexKind) {
    case INDEX_ANALYZE:
        return "analyze";
    case INDEX_UNANALYZE:
        return "unanalyze";
    default:
        return "no";
    }
}

std::string CModeItem::boostText(float boost)
{
    return utility::Format("%.*f", 2, static_cast<double>(boost));
}

bool CModeItem::parseBoost(const std::string& text, float& boost)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    float value = std::strtof(begin, &end);
    if (end == begin)
        return false;
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end != '\0')
        return false;
    boost = value;
    return true;
}

} // namespace cs::content
