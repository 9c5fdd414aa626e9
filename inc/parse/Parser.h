// The parser interface: a parser turns a document's raw input into field
// text. Each kind is created by a creator registered under "<kind>.parser"
// together with the file type it serves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "content/DropReason.h"

namespace cs::content {
class CContent;
class CContentMode;
} // namespace cs::content

namespace cs::parse {

class CParser {
public:
    class CCreator {
    public:
        // `prefix` names the kind: "txt" gives "txt.parser".
        CCreator(const std::string& prefix, int32_t fileType)
            : m_identifier(prefix + "." + m_suffix), m_fileType(fileType)
        {
        }
        virtual ~CCreator() = default;

        // A new parser, or null when it cannot be built (the cause is logged).
        virtual std::unique_ptr<CParser> create() const = 0;
        virtual const char* identifier() const { return m_identifier.c_str(); }
        virtual int32_t fileType() const { return m_fileType; }

    private:
        std::string m_suffix = "parser";
        std::string m_identifier;
        int32_t m_fileType;
    };

    CParser() = default;
    virtual ~CParser() = default;
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    // Records the encoding of the text in the parser's read buffer; parsers
    // that do not need it leave it alone.
    virtual void detectEncoding() {}

    // Fills the document's fields: 1 on success, 0 when the document is to be
    // dropped (the reason is logged).
    virtual int parse(content::CContent* content) = 0;

    // Called once, right after creation: the parser looks up the fields it
    // fills. A null mode is an invalid argument ("pMode").
    virtual void setContentMode(const content::CContentMode* pMode) = 0;

protected:
    // Gives the document being parsed its drop reason; the result of parse().
    int drop(content::DropReason reason);

    content::CContent* m_pContent = nullptr;   // the document being parsed
    // Work strings; the converter parsers keep the names of a conversion's
    // temporary input and output files in them.
    std::string m_workInput;
    std::string m_workOutput;
};

// The creator of parser class `T`, which must be default-constructible.
template <class T>
class CParserCreator : public CParser::CCreator {
public:
    CParserCreator(const std::string& prefix, int32_t fileType) : CCreator(prefix, fileType) {}

    std::unique_ptr<CParser> create() const override
    {
        try {
            return std::make_unique<T>();
        } catch (const std::exception&) {
            return nullptr;   // logged where it was raised
        }
    }
};

} // namespace cs::parse
