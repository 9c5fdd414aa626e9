#include "content/ContentMode.h"

#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::content {

using utility::CXmlDocument;
using utility::CXmlNode;

namespace {

// The component children of an indexed item, in file order.
const char* const kComponentNames[] = {"analyzer", "analyzer_parameter", "indexer"};

// The children of a mode item are read by position, not by element name.
CModeItem ReadItem(const CXmlNode& itemNode)
{
    CXmlNode child = itemNode.firstChild();
    std::string name = child.content();
    child = child.nextSibling();
    int storeKind = CModeItem::storeKindOf(child.content());
    child = child.nextSibling();
    int indexKind = CModeItem::indexKindOf(child.content());
    if (indexKind == CModeItem::INDEX_NO)
        return CModeItem(name, storeKind, indexKind);

    CXmlNode componentsNode = child.nextSibling();
    CXmlNode component = componentsNode.firstChild();
    std::map<std::string, std::string> components;
    for (const char* componentName : kComponentNames) {
        if (!component)
            break;
        // An empty component stands for one the item does not have.
        std::string value = component.content();
        if (!value.empty())
            components[componentName] = value;
        component = component.nextSibling();
    }
    CXmlNode wayNode = componentsNode.nextSibling();
    int indexWay = wayNode.content() == "0" ? CModeItem::WAY_POSITIONS : CModeItem::WAY_DOCUMENTS;
    float boost = 1.0f;
    if (!CModeItem::parseBoost(wayNode.nextSibling().content(), boost)) {
        CS_LOG_ERROR("reading contentMode Boost error!");
        boost = 1.0f;
    }
    CModeItem item(name, storeKind, indexKind, indexWay, boost);
    for (const auto& [key, value] : components)
        item.setComponent(key, value);
    return item;
}

} // namespace

bool CContentMode::read(const std::string& path, const std::string& prefix)
{
    clear();
    m_path = path;
    CXmlDocument document;
    if (!document.parseFile(path)) {
        CS_LOG_ERROR("failed to read contentMode file! ");
        return false;
    }
    read(document, prefix, path);
    return true;
}

void CContentMode::read(CXmlDocument& document, const std::string& prefix, const std::string& path)
{
    clear();
    m_path = path;
    CXmlNode modeNode = document.select(prefix + "/content_mode");
    for (CXmlNode itemNode = modeNode.firstChild(); itemNode; itemNode = itemNode.nextSibling())
        append(ReadItem(itemNode));
}

void CContentMode::write(CXmlNode& parent) const
{
    CXmlNode modeNode = parent.createChild("content_mode");
    for (const auto& pItem : m_items) {
        CXmlNode itemNode = modeNode.createChild("mode_item");
        itemNode.createChild("name", pItem->getName());
        itemNode.createChild("store", CModeItem::storeWord(pItem->getStoreKind()));
        itemNode.createChild("index", CModeItem::indexWord(pItem->getIndexKind()));
        if (pItem->getIndexKind() != CModeItem::INDEX_NO) {
            CXmlNode componentsNode = itemNode.createChild("components");
            for (const char* componentName : kComponentNames) {
                const std::string* pValue = pItem->getComponent(componentName);
                CXmlNode component = componentsNode.createChild("component", pValue ? *pValue : std::string());
                component.setAttribute("name", componentName);
            }
        }
        itemNode.createChild("index_way", std::to_string(pItem->getIndexWay()));
        itemNode.createChild("boost", CModeItem::boostText(pItem->getBoost()));
    }
}

const CModeItem* CContentMode::find(const std::string& name) const
{
    for (const auto& pItem : m_items) {
        if (pItem->getName() == name)
            return pItem.get();
    }
    return nullptr;
}

int CContentMode::addItem(const CModeItem& item)
{
    if (const CModeItem* pExisting = find(item.getName()))
        return pExisting->getFieldID();
    append(item);
    return m_items.back()->getFieldID();
}

void CContentMode::append(const CModeItem& item)
{
    m_items.push_back(std::make_unique<CModeItem>(item));
    m_items.back()->setFieldID(m_itemCount++);
}

void CContentMode::clear()
{
    m_items.clear();
    m_itemCount = 0;
}

} // namespace cs::content
