// The analyzer interface: field text in, terms appended to a token list. Each
// kind is created by a creator registered under "<kind>.analyzer".
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analyze/TokenList.h"

namespace cs::analyze {

// Where a term lies in the analysed text: bytes [begin, end).
struct CTermSpan {
    size_t begin;
    size_t end;
};

class CAnalyzer {
public:
    class CCreator {
    public:
        // `prefix` names the kind: "general" gives "general.analyzer".
        explicit CCreator(const std::string& prefix) : m_identifier(prefix + "." + m_suffix) {}
        virtual ~CCreator() = default;

        // A new analyzer, or null when it cannot be built (the cause is logged).
        virtual std::unique_ptr<CAnalyzer> create() const = 0;
        virtual const char* identifier() const { return m_identifier.c_str(); }

    private:
        std::string m_suffix = "analyzer";
        std::string m_identifier;
    };

    virtual ~CAnalyzer() = default;

    // Appends the terms of `length` bytes of `text` (which need not be
    // terminated) and returns how many were appended.
    virtual int analyze(const char* text, size_t length, CTokenListBase* basetokens) = 0;

    // As analyze(), and appends where each appended term lies (stop words
    // too) to `spans`. False, with nothing appended to either, from an
    // analyzer that cannot tell.
    virtual bool analyzeSpans(const char* /*text*/, size_t /*length*/, CTokenListBase* /*basetokens*/,
                              std::vector<CTermSpan>& /*spans*/)
    {
        return false;
    }

protected:
    // The list an analyzer may fill; any other class is an invalid argument.
    static CTokenList<wid_t>& tokenListOf(CTokenListBase* basetokens);
};

// The creator of analyzer class `T`, which must be default-constructible.
template <class T>
class CAnalyzerCreator : public CAnalyzer::CCreator {
public:
    explicit CAnalyzerCreator(const std::string& prefix) : CCreator(prefix) {}

    std::unique_ptr<CAnalyzer> create() const override
    {
        try {
            return std::make_unique<T>();
        } catch (const std::bad_alloc&) {
            throw;   // the lack-of-memory report, not a missing analyzer
        } catch (const std::exception&) {
            return nullptr;   // logged where it was raised
        }
    }
};

} // namespace cs::analyze
