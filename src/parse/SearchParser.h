// Search-engine requests (file type 9): the search words of the request URL,
// in GBK. The engine is told by a label of the URL's host name; a table of
// engines (configured ones completed by the built-in ones) gives the query key
// that introduces the words and the character set they are written in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "content/FileType.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"

namespace cs::parse {

class CSearchParser : public CParser {
public:
    struct CEngine {
        std::string startWord;   // "q=", or ":" for the word after the first ':'
        std::string domain;
        int32_t charset = content::encoding::UNKNOWN;
    };

    // Engines read from the configuration file at most.
    static constexpr size_t MAX_CONFIGURED_ENGINES = 1000;
    // Host-name labels looked up at most.
    static constexpr size_t MAX_LABELS = 3;

    // Reads the engine table.
    CSearchParser();

    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

    const std::map<std::string, CEngine>& engines() const { return m_engines; }
    bool convertsUtf8() const { return m_convertUtf8; }
    bool convertsBig5() const { return m_convertBig5; }
    bool convertsUcs2() const { return m_convertUcs2; }

private:
    void loadEngines();
    // False when the host has no label; `pEngine` is null for an unknown engine.
    bool findEngine(size_t firstDot, size_t slash, const CEngine*& pEngine) const;
    bool takeKeyword(const CEngine& engine, size_t slash);
    bool takeQuery(size_t firstDot);
    bool convertKeyword();

    std::string m_url;
    std::string m_keyword;
    std::string m_converted;
    int32_t m_encoding = content::encoding::UNKNOWN;
    bool m_convertUtf8 = false;
    bool m_convertBig5 = true;
    bool m_convertUcs2 = true;
    CTextFields m_fields;
    std::map<std::string, CEngine> m_engines;
};

} // namespace cs::parse
