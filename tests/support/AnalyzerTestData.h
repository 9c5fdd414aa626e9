// The test dictionary pair in tests/data/analyze, installed where the path
// configuration of the test root names it, and the ids of its words.
#pragma once

#include <string>
#include <vector>

#include "analyze/TokenList.h"

namespace cs::test {

// Copies the test dictionary and stop words to DICTIONARY_PATH and STOPWORD_PATH.
void InstallTestDictionary();

// Writes the given GBK lines as the dictionary (and no stop words unless given).
void InstallDictionary(const std::string& dictionary, const std::string& stopWords = std::string());

// The id (0-based line) of a UTF-8 word in the test dictionary; -1 if absent.
analyze::wid_t WordId(const std::string& utf8Word);

std::string Gbk(const std::string& utf8);

// Runs `analyzer` over the text and returns the tokens it appended.
template <class TAnalyzer>
std::vector<analyze::wid_t> Analyze(TAnalyzer& analyzer, const std::string& text, int* pCount = nullptr)
{
    analyze::CTokenList<analyze::wid_t> tokens;
    int count = analyzer.analyze(text.data(), text.size(), &tokens);
    if (pCount)
        *pCount = count;
    return std::vector<analyze::wid_t>(tokens.begin(), tokens.end());
}

} // namespace cs::test
