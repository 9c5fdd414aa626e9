// The stop-word filter: one bit per word id below 1,000,000. Stop words stay
// in a token list as -1, so the positions of the other words do not move.
#pragma once

#include <bitset>
#include <cstddef>
#include <memory>
#include <string>

#include "analyze/TokenList.h"

namespace cs::analyze {

class CWordFilter {
public:
    static constexpr size_t WORD_LIMIT = 1000000;

    CWordFilter() : m_pStopWords(std::make_unique<std::bitset<WORD_LIMIT>>()) {}

    // Reads word ids separated by white space. A file that cannot be opened
    // leaves the filter empty; a negative id or a non-number raises "%s format
    // wrong", an id of 1,000,000 or more std::out_of_range.
    void load(const std::string& path);

    // Marks the stop words among the tokens from `first` on; returns how many.
    int filter(CTokenList<wid_t>& tokens, size_t first = 0) const;

private:
    static size_t position(long long id);

    std::unique_ptr<std::bitset<WORD_LIMIT>> m_pStopWords;
};

} // namespace cs::analyze
