#include "CollectTestKit.h"

#include "support/TestSupport.h"
#include "utility/XmlDocument.h"

namespace cs::test {

namespace {

std::string GlobalPath() { return TestRoot() + "/global.xml"; }

} // namespace

CGlobalFileScope::CGlobalFileScope(const std::string& body) : m_saved(ReadFile(GlobalPath()))
{
    WriteFile(GlobalPath(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>" + body + "<log><level>debug</level><path>" +
                                TestRoot() + "/log</path></log></config>\n");
}

CGlobalFileScope::~CGlobalFileScope() { WriteFile(GlobalPath(), m_saved); }

std::string StateValue(const std::string& file, const std::string& xpath)
{
    utility::CXmlDocument doc;
    if (!doc.parseFile(file))
        return "<unreadable>";
    utility::CXmlNode node = doc.select(xpath);
    return node ? node.content() : "<missing>";
}

} // namespace cs::test
