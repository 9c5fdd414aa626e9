#include "config/Configurator.h"

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

using content::CModeItem;

namespace {

// A default item; `analyzer` empty for a field that is not indexed.
CModeItem DefaultItem(const char* name, int storeKind, int indexKind, int indexWay, const char* analyzer,
                      const char* indexer)
{
    CModeItem item(name, storeKind, indexKind, indexWay);
    if (indexKind != CModeItem::INDEX_NO) {
        item.setComponent("analyzer", analyzer);
        item.setComponent("indexer", indexer);
    }
    return item;
}

} // namespace

void CConfigurator::applyDefaults()
{
    m_collection = {"directory.collection", ""};
    m_parsers = {"txt.parser"};
    m_analyzer = {"general.analyzer", ""};
    m_contentMode.clear();
    const int no = CModeItem::STORE_NO, analyze = CModeItem::INDEX_ANALYZE;
    const int positions = CModeItem::WAY_POSITIONS, documents = CModeItem::WAY_DOCUMENTS;
    m_contentMode.addItem(DefaultItem("text", no, analyze, positions, "general.analyzer", "text"));
    m_contentMode.addItem(DefaultItem("user", no, analyze, documents, "crc.analyzer", "crc"));
    m_contentMode.addItem(DefaultItem("group", no, analyze, documents, "crc.analyzer", "crc"));
    m_contentMode.addItem(DefaultItem("date", no, analyze, documents, "datetime.analyzer", "date"));
    m_contentMode.addItem(DefaultItem("path", CModeItem::STORE_UNCOMPRESS, CModeItem::INDEX_NO, positions, "", ""));
    m_contentMode.addItem(DefaultItem("abstract", CModeItem::STORE_COMPRESS, CModeItem::INDEX_NO, positions, "", ""));
    m_contentMode.addItem(DefaultItem("mail_send", no, analyze, positions, "email.analyzer", "crc"));
    m_contentMode.addItem(DefaultItem("mail_recv", no, analyze, positions, "email.analyzer", "crc"));
    m_contentMode.addItem(DefaultItem("type", no, analyze, documents, "type.analyzer", "crc"));
}

bool CConfigurator::load()
{
    if (!platform::Env().pathAccessible(m_path)) {
        applyDefaults();
        CS_LOG_WARN("contentMode configurate file doesn't exist.Using default config.");
        return true;
    }
    CXmlDocument document;
    if (!document.parseFile(m_path))
        CS_THROW("contentMode configurate file can't be read: %s (%s)", m_path.c_str(), document.parseFailure().c_str());
    m_collection = {document.select("/argument/collection/identifier").content(),
                    document.select("/argument/collection/parameter").content()};
    m_parsers.clear();
    for (CXmlNode parser = document.select("/argument/parser/identifier"); parser; parser = parser.nextSibling())
        m_parsers.push_back(parser.content());
    m_analyzer = {document.select("/argument/analyzer/identifier").content(),
                  document.select("/argument/analyzer/parameter").content()};
    return m_contentMode.read(m_path, "/argument");
}

} // namespace cs::utility
