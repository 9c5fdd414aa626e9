// Generated documents for the indexing suites and benchmarks: plain text of
// English words, or GBK text that begins with Chinese words (so that encoding
// detection takes it for GBK), reproducible from a seed.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace cs::test {

class CCorpus {
public:
    explicit CCorpus(unsigned seed) : m_random(seed) {}

    // A text of `words` English words.
    std::string english(size_t words);
    // A GBK text of `words` Chinese words followed by `words` English words.
    std::string chinese(size_t words);
    // `words` words of four random letters each, which the test dictionary
    // does not hold: every one is a term of its own.
    std::string randomWords(size_t words);

    // Writes `count` text files "doc<n>.txt" into `dir`, English and Chinese
    // alternately, and returns their paths in order.
    std::vector<std::string> writeFiles(const std::string& dir, size_t count, size_t words = 120);

private:
    std::mt19937 m_random;
};

} // namespace cs::test
