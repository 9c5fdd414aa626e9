// A whole run of the indexer, as an operator starts it (the directory
// collection with the shipped content mode, a rebuild), over the mixed corpus
// of bench/make_corpus.py: 200 MB of GBK Chinese, English and HTML by default,
// once with one thread (-j 1) and once with two (-j 2).
// Reported: input MB/s, documents/s, the program's peak resident memory and
// the size of the index against the size of the input.
//
// Needs the program of the same build (csindexer) and the word dictionary that
// scripts/build.sh writes (conf/dict). The corpus is made in /tmp and removed
// afterwards; CS_BENCH_CORPUS_MB changes its size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "support/BenchWorkDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = CS_SOURCE_DIR;

void Spit(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Bytes and files below `dir`.
uint64_t TreeSize(const fs::path& dir, size_t* pFiles = nullptr)
{
    uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        total += entry.file_size();
        if (pFiles)
            ++*pFiles;
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

// The corpus, its configuration and a copy of the program, made once for
// both thread counts; `error` says what is missing.
struct CPreparedRun {
    fs::path work;
    std::string program;
    size_t documents = 0;
    uint64_t inputBytes = 0;
    std::string error;
};

CPreparedRun Prepare()
{
    CPreparedRun run;
    std::string dictionary = kSource + "/conf/dict/dictionary.txt";
    std::string program = std::string(CS_BINARY_DIR) + "/csindexer";
    if (!fs::exists(dictionary) || !fs::exists(program)) {
        run.error = "needs csindexer in the build directory and conf/dict (scripts/build.sh)";
        return run;
    }
    const char* mb = std::getenv("CS_BENCH_CORPUS_MB");
    fs::path work = run.work = cs::bench::WorkDir();
    fs::path corpus = work / "corpus";
    std::string make = "python3 " + kSource + "/bench/make_corpus.py " + (mb ? mb : "200") + " " + corpus.string();
    if (std::system(make.c_str()) != 0) {
        run.error = "bench/make_corpus.py failed";
        return run;
    }
    run.inputBytes = TreeSize(corpus, &run.documents);

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
    // A name of its own: a second copy of one program name ends at once
    // (with exit code 0), so an indexer running elsewhere on the machine
    // would turn the run into a no-op.
    run.program = (work / ("csindexer-bench" + std::to_string(::getpid()))).string();
    fs::copy_file(program, run.program);
    return run;
}

// state.range(0): the threads (csindexer -j).
void WholeRun(benchmark::State& state)
{
    static const CPreparedRun run = Prepare();
    if (!run.error.empty()) {
        state.SkipWithError(run.error.c_str());
        return;
    }
    std::vector<std::string> args{"-d", "bench", "-r", "-j", std::to_string(state.range(0))};
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        long peakKiB = RunIndexer(run.program, run.work.string(), args);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["MB/s"] = static_cast<double>(run.inputBytes) / (1 << 20) / seconds;
        state.counters["docs/s"] = static_cast<double>(run.documents) / seconds;
        state.counters["peak_RSS_MiB"] = static_cast<double>(peakKiB) / 1024;
        state.counters["input_MB"] = static_cast<double>(run.inputBytes) / (1 << 20);
        uint64_t indexBytes = TreeSize(run.work / "index");
        state.counters["index/input"] = static_cast<double>(indexBytes) / static_cast<double>(run.inputBytes);
    }
    state.counters["documents"] = static_cast<double>(run.documents);
}

} // namespace

BENCHMARK(WholeRun)->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
