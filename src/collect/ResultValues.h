// The `result` column of a content row: a small XML document whose root holds
// one child per value, named by its attribute "n" (<_f n="host">...</_f>).
#pragma once

#include <map>
#include <string>

#include "utility/XmlDocument.h"

namespace cs::collection {

class CResultValues {
public:
    // Reads the values of a result text (GBK, as the connection delivers it).
    // A text that does not parse gives no values.
    void parse(const std::string& result);

    // The value of that name, empty when there is none.
    const std::string& value(const std::string& name) const;

private:
    utility::CXmlDocument m_doc;   // kept: its converters are costly to open
    std::map<std::string, std::string> m_values;
};

// True when the raw result's "host" element holds the trash domain: the
// capture agent's own reporting traffic, which is never indexed. Read from the
// raw text so that a document cut short is still recognised.
bool HostHoldsTrashDomain(const std::string& result);

} // namespace cs::collection
