// A whole run of the indexer, as an operator starts it, over a generated
// corpus of at least 200 MB: English text from the system's documentation and
// licences, GBK text made of the word dictionary's words, and web pages of
// both. Reported: input MB/s, documents/s, the program's peak resident memory
// and the size of the index against the size of the input.
//
// Needs the built program (build/csindexer) and the word dictionary that
// scripts/build.sh writes (conf/dict). The corpus is made in /tmp and removed
// afterwards; CS_BENCH_CORPUS_MB changes its size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "support/BenchWorkDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = CS_SOURCE_DIR;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Spit(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Plain English text shipped with the system: licences and documentation
// that is not compressed.
std::vector<std::string> EnglishSources()
{
    std::vector<std::string> texts;
    std::error_code error;
    for (const char* root : {"/usr/share/common-licenses", "/usr/share/doc"}) {
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
             it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (error || !it->is_regular_file(error) || it->path().extension() == ".gz" ||
                it->file_size(error) < 2048)
                continue;
            std::string text = Slurp(it->path());
            bool plain = text.find('\0') == std::string::npos;
            if (plain)
                texts.push_back(std::move(text));
        }
    }
    return texts;
}

// The GBK words of the dictionary (lines whose first byte is a lead byte).
std::vector<std::string> ChineseWords(const std::string& dictionary)
{
    std::vector<std::string> words;
    std::istringstream lines(Slurp(dictionary));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && static_cast<unsigned char>(line[0]) >= 0x81)
            words.push_back(line);
    }
    return words;
}

class CCorpusMaker {
public:
    CCorpusMaker(std::vector<std::string> english, std::vector<std::string> chinese)
        : m_english(std::move(english)), m_chinese(std::move(chinese))
    {
    }

    // Writes documents into `dir` until `bytes` are written; returns the count.
    size_t write(const fs::path& dir, size_t bytes)
    {
        size_t count = 0, written = 0;
        std::uniform_int_distribution<size_t> size(4096, 65536);
        while (written < bytes) {
            fs::path sub = dir / std::to_string(count / 1000);
            fs::create_directories(sub);
            std::string text;
            std::string name = std::to_string(count);
            switch (count % 5) {
            case 0:
            case 1:
                text = english(size(m_random));
                name += ".txt";
                break;
            case 2:
            case 3:
                text = chinese(size(m_random));
                name += ".txt";
                break;
            default:
                text = page(size(m_random), count % 10 == 4);
                name += ".html";
            }
            Spit(sub / name, text);
            written += text.size();
            ++count;
        }
        return count;
    }

private:
    // A stretch of one of the English texts.
    std::string english(size_t bytes)
    {
        const std::string& source = m_english[m_random() % m_english.size()];
        size_t from = source.size() > bytes ? m_random() % (source.size() - bytes) : 0;
        std::string text = source.substr(from, bytes);
        while (text.size() < bytes)
            text += " " + m_english[m_random() % m_english.size()].substr(0, bytes - text.size());
        return text;
    }

    // Dictionary words with punctuation now and then, and some English.
    std::string chinese(size_t bytes)
    {
        std::string text;
        while (text.size() < bytes) {
            text += m_chinese[m_random() % m_chinese.size()];
            unsigned roll = m_random() % 16;
            if (roll == 0)
                text += "\xA3\xAC";   // ，
            else if (roll == 1)
                text += "\xA1\xA3\n"; // 。
            else if (roll == 2)
                text += " " + english(40) + " ";
        }
        return text;
    }

    std::string page(size_t bytes, bool gbk)
    {
        std::string html = std::string("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
                           (gbk ? "gbk" : "us-ascii") + "\"><title>page</title><style>p { margin: 0 }</style>"
                           "<script>var n = 0;</script></head><body>\n";
        while (html.size() < bytes)
            html += "<p>" + (gbk ? chinese(600) : english(600)) + "&nbsp;<a href=\"/next\">next</a></p><!-- c -->\n";
        return html + "</body></html>\n";
    }

    std::vector<std::string> m_english;
    std::vector<std::string> m_chinese;
    std::mt19937 m_random{42};
};

uint64_t TreeSize(const fs::path& dir)
{
    uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file())
            total += entry.file_size();
    }
    return total;
}

// Runs the program with `args` in `dir`; its peak resident memory in KiB.
long RunIndexer(const std::string& program, const std::string& dir, const std::vector<std::string>& args)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the indexer failed, see " + dir + "/log");
    return usage.ru_maxrss;
}

void WholeRun(benchmark::State& state)
{
    std::string dictionary = kSource + "/conf/dict/dictionary.txt";
    std::string program = kSource + "/build/csindexer";
    if (!fs::exists(dictionary) || !fs::exists(program)) {
        state.SkipWithError("needs build/csindexer and conf/dict (scripts/build.sh)");
        return;
    }
    const char* mb = std::getenv("CS_BENCH_CORPUS_MB");
    size_t corpusBytes = static_cast<size_t>(mb ? std::atol(mb) : 200) << 20;

    fs::path work = cs::bench::WorkDir();
    fs::path corpus = work / "corpus";
    CCorpusMaker maker(EnglishSources(), ChineseWords(dictionary));
    size_t documents = maker.write(corpus, corpusBytes);
    uint64_t inputBytes = TreeSize(corpus);

    // The sample configuration, pointed at the corpus.
    fs::path conf = work / "conf";
    fs::create_directories(conf);
    for (const char* name : {"content_mode.xml", "strres.xml", "trashurl.xml", "search_keywords.xml"})
        fs::copy_file(kSource + "/conf/" + name, conf / name);
    fs::create_symlink(dictionary, conf / "dictionary.txt");
    fs::create_symlink(kSource + "/conf/dict/stopwords.txt", conf / "stopwords.txt");
    Spit(work / "pathconfig.xml",
         "<pathconfig><root>" + conf.string() + "/</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"
         "<CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH><DBINFO_PATH>dbinfo.txt</DBINFO_PATH>"
         "<STRRES_PATH>strres.xml</STRRES_PATH><DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>"
         "<STOPWORD_PATH>stopwords.txt</STOPWORD_PATH>"
         "<TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG></pathconfig>\n");
    Spit(conf / "global.xml", "<config><index><system_status>1</system_status><source>" + corpus.string() +
                                  "</source><path>" + (work / "index").string() +
                                  "</path><memory>100000000</memory></index><log><level>info</level><path>" +
                                  (work / "log").string() + "</path></log></config>\n");
    Spit(conf / "dbinfo.txt", "dbcount=1\ndbname0=bench\ndbdepict0=bench\n");
    fs::create_directories(work / "log");
    std::string copy = (work / "csindexer").string();
    fs::copy_file(program, copy);

    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        long peakKiB = RunIndexer(copy, work.string(), {"-d", "bench", "-r"});
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["MB/s"] = static_cast<double>(inputBytes) / (1 << 20) / seconds;
        state.counters["docs/s"] = static_cast<double>(documents) / seconds;
        state.counters["peak_RSS_MiB"] = static_cast<double>(peakKiB) / 1024;
        state.counters["input_MB"] = static_cast<double>(inputBytes) / (1 << 20);
        uint64_t indexBytes = TreeSize(work / "index");
        state.counters["index/input"] = static_cast<double>(indexBytes) / static_cast<double>(inputBytes);
    }
    state.counters["documents"] = static_cast<double>(documents);
}

} // namespace

BENCHMARK(WholeRun)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
