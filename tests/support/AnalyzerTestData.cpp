#include "support/AnalyzerTestData.h"

#include <cstdio>
#include <sstream>

#include "support/TestSupport.h"
#include "utility/ConfigPath.h"
#include "utility/StringConvertor.h"

namespace cs::test {

namespace {
std::string DataFile(const std::string& name) { return std::string(CS_TEST_DATA_DIR) + "/analyze/" + name; }
} // namespace

void InstallDictionary(const std::string& dictionary, const std::string& stopWords)
{
    const auto& paths = utility::CConfigPath::instance();
    WriteFile(paths.getPath("DICTIONARY_PATH"), dictionary);
    std::remove(paths.getPath("STOPWORD_PATH").c_str());
    if (!stopWords.empty())
        WriteFile(paths.getPath("STOPWORD_PATH"), stopWords);
}

void InstallTestDictionary()
{
    InstallDictionary(ReadFile(DataFile("dictionary.txt")), ReadFile(DataFile("stopwords.txt")));
}

std::string Gbk(const std::string& utf8) { return utility::utf8ToGbk(utf8); }

analyze::wid_t WordId(const std::string& utf8Word)
{
    std::istringstream lines(ReadFile(DataFile("dictionary.txt")));
    const std::string word = Gbk(utf8Word);
    std::string line;
    for (analyze::wid_t id = 0; std::getline(lines, line); ++id) {
        if (line == word)
            return id;
    }
    return -1;
}

} // namespace cs::test
