// Compressed archives (file type 7) are not opened: like files of unknown type
// they are indexed by their file name.
#pragma once

#include "parse/Parser.h"
#include "parse/UnkownParser.h"

namespace cs::parse {

class CCompParser : public CParser {
public:
    int parse(content::CContent* content) override { return m_unknown.parse(content); }
    void setContentMode(const content::CContentMode* pMode) override { m_unknown.setContentMode(pMode); }

private:
    CUnkownParser m_unknown;
};

} // namespace cs::parse
