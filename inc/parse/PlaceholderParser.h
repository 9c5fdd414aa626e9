// Stands in for a parser kind that is not built in: every document of its type
// is dropped with a DEBUG line, so the writer goes on with the rest.
#pragma once

#include "parse/Parser.h"

namespace cs::parse {

class CPlaceholderParser : public CParser {
public:
    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;
};

} // namespace cs::parse
