#include "support/Corpus.h"

#include <cstdio>

#include "support/TestSupport.h"
#include "utility/StringConvertor.h"

namespace cs::test {

namespace {

const char* const kEnglish[] = {
    "index",  "barrel", "merge",   "posting", "query",  "harbour", "morning", "printing", "ink",    "paper",
    "river",  "stone",  "window",  "garden",  "letter", "market",  "winter",  "summer",   "engine", "signal",
    "forest", "valley", "village", "bridge",  "silver", "copper",  "thunder", "candle",   "ladder", "pillow",
    "hello",  "world",  "linux",   "the",     "and",    "of",      "record",  "segment",  "crash",  "safety"};

// UTF-8 here, GBK in the files.
const char* const kChinese[] = {"中国", "人民", "银行", "北京", "大学", "学生", "研究", "生命", "起源",
                                "计算机", "软件", "数据库", "全文", "检索", "索引", "分词", "图书馆",
                                "报纸", "杂志", "城市", "公园", "火车", "旅客", "风景", "文章", "春节"};

template <class T, size_t N>
const T& Pick(std::mt19937& random, const T (&items)[N])
{
    return items[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

} // namespace

std::string CCorpus::english(size_t words)
{
    std::string text;
    for (size_t i = 0; i < words; ++i) {
        text += Pick(m_random, kEnglish);
        text += (i % 12 == 11) ? ".\n" : " ";
    }
    return text;
}

std::string CCorpus::chinese(size_t words)
{
    std::string text;
    for (size_t i = 0; i < words; ++i)
        text += utility::utf8ToGbk(Pick(m_random, kChinese));
    return text + "\n" + english(words);
}

std::string CCorpus::randomWords(size_t words)
{
    std::uniform_int_distribution<int> letter('a', 'z');
    std::string text;
    for (size_t i = 0; i < words; ++i) {
        for (int j = 0; j < 4; ++j)
            text += static_cast<char>(letter(m_random));
        text += ' ';
    }
    return text;
}

std::vector<std::string> CCorpus::writeFiles(const std::string& dir, size_t count, size_t words)
{
    std::vector<std::string> paths;
    for (size_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "/doc%05zu.txt", i);
        paths.push_back(dir + name);
        WriteFile(paths.back(), i % 2 == 0 ? english(words) : chinese(words / 2));
    }
    return paths;
}

} // namespace cs::test
