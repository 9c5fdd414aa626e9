// The process-wide table of parser creators by identifier. It is filled with
// the ten built-in creators on first use, so no start-up order matters.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "parse/Parser.h"

namespace cs::parse {

class CParserRegistry {
public:
    static CParserRegistry& instance();

    // A later creator of the same identifier replaces the earlier one; a null
    // creator is an invalid argument ("pCreator"). The creator must outlive
    // the registry.
    void registerCreator(CParser::CCreator* pCreator);

    // The creator of that identifier, or null.
    CParser::CCreator* find(const std::string& identifier) const;

    // The file type registered under the identifier; content::filetype::UNKNOWN when
    // the identifier is not registered.
    int32_t fileTypeOf(const std::string& identifier) const;

    // The first creator, in identifier order, that serves the file type, or null.
    CParser::CCreator* findByFileType(int32_t fileType) const;

    CParserRegistry(const CParserRegistry&) = delete;
    CParserRegistry& operator=(const CParserRegistry&) = delete;

private:
    CParserRegistry();

    std::map<std::string, std::pair<int32_t, CParser::CCreator*>> m_creators;
};

} // namespace cs::parse
