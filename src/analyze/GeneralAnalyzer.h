// The text analyzer: segments double-byte text by forward maximum matching
// against the dictionary, gives ASCII words their dictionary id or a letter
// code, digits a number code, and marks stop words.
//
// Term ranges: dictionary words 0..299999 (their line), digit groups of up to
// four 300000 + value, letter groups of up to four not in the dictionary
// 310000 + base-26 value ('a' = 1 .. 'z' = 26), stop words -1.
#pragma once

#include <string>

#include "analyze/Analyzer.h"
#include "analyze/Dictionary.h"
#include "analyze/WordFilter.h"

namespace cs::analyze {

class CGeneralAnalyzer : public CAnalyzer {
public:
    static constexpr wid_t DIGIT_BASE = 300000;
    static constexpr wid_t LETTER_BASE = 310000;

    // The files named by DICTIONARY_PATH and STOPWORD_PATH.
    CGeneralAnalyzer();
    // A missing dictionary raises "build dictionary failed"; a missing
    // stop-word file means no stop words.
    CGeneralAnalyzer(const std::string& dictionaryPath, const std::string& stopWordPath);

    int analyze(const char* text, size_t length, CTokenListBase* basetokens) override;
    bool analyzeSpans(const char* text, size_t length, CTokenListBase* basetokens,
                      std::vector<CTermSpan>& spans) override;

private:
    void segment(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens);
    void addLetters(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens);
    void addDigits(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens);
    // Appends a term of the bytes [begin, end), and its span while spans are asked for.
    void add(CTokenList<wid_t>& tokens, wid_t term, const unsigned char* begin, const unsigned char* end);

    CDictionary m_dictionary;
    CWordFilter m_filter;
    std::vector<CTermSpan>* m_pSpans = nullptr;   // during analyzeSpans()
    const unsigned char* m_pText = nullptr;      // ... the text the spans count from
};

} // namespace cs::analyze
