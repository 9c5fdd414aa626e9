// The configuration of one indexing run: which collection feeds documents,
// which parsers and default analyzer are used, and the content mode. Read from
// the content-mode file; a missing file gives built-in defaults, one that does
// not parse is an error.
#pragma once

#include <string>
#include <vector>

#include "content/ContentMode.h"

namespace cs::utility {

class CConfigurator {
public:
    // A component named by its creator identifier, with its parameter.
    struct CArgument {
        std::string identifier;
        std::string parameter;
    };

    explicit CConfigurator(const std::string& path) : m_path(path) {}
    virtual ~CConfigurator() = default;

    // Fills everything from the file (or the defaults when there is none);
    // raises for a file that does not parse. The result is the success of
    // reading the content mode.
    bool load();

    const CArgument& getCollectionArgument() const { return m_collection; }
    const std::vector<std::string>& getParserIdentifiers() const { return m_parsers; }
    const CArgument& getAnalyzerArgument() const { return m_analyzer; }
    content::CContentMode& getContentMode() { return m_contentMode; }
    const content::CContentMode& getContentMode() const { return m_contentMode; }
    const std::string& getPath() const { return m_path; }

private:
    void applyDefaults();

    CArgument m_collection;
    std::vector<std::string> m_parsers;
    CArgument m_analyzer;
    content::CContentMode m_contentMode;
    std::string m_path;
};

} // namespace cs::utility
