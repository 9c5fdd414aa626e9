// Text for the benchmarks: dictionary words drawn with a falling frequency
// (log-uniform rank), Chinese punctuation, and now and then an English word
// or a number, as in web pages and mail. GBK, like the dictionary.
#pragma once

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace cs::bench {

// The non-empty lines of a dictionary file.
inline std::vector<std::string> DictionaryWords(const std::string& path)
{
    std::vector<std::string> words;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            words.push_back(line);
    }
    return words;
}

// About `bytes` bytes of text made of `words` (never empty).
inline std::string MixedText(const std::vector<std::string>& words, size_t bytes)
{
    const char* const english[] = {"index", "server", "Linux", "download", "the", "of", "Email", "http"};
    const char* const punctuation[] = {"\xa3\xac", "\xa1\xa3", " ", "\xa3\xbb", "\r\n"};   // ， 。 space ； CRLF
    std::mt19937 random(20240229);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string result;
    while (result.size() < bytes) {
        double roll = unit(random);
        if (roll < 0.03)
            result += english[random() % std::size(english)];
        else if (roll < 0.05)
            result += std::to_string(random() % 100000);
        else
            result += words[static_cast<size_t>(std::exp(unit(random) * std::log(double(words.size())))) - 1];
        if (unit(random) < 0.12)
            result += punctuation[random() % std::size(punctuation)];
    }
    return result;
}

} // namespace cs::bench
