#include "content/ModeItem.h"

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

} // namespace cs::content
