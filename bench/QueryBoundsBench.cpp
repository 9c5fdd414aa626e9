// cssearch at and past its bounds, as an operator runs it: queries nested
// 100,000 levels deep and of 1 MB are refused (exit status 2), while a query
// just under the length bound and a 600-term phrase are answered. Reported
// for each: the wall time and the program's peak resident memory.
//
// Needs cssearch and csindexer of the same build; the index is made of a few
// documents with the test dictionary in a work directory in /tmp.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "support/BenchWorkDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = CS_SOURCE_DIR;
const std::string kBinary = CS_BINARY_DIR;

void Spit(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Repeat(const std::string& text, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

struct Outcome {
    int exitCode = -1;
    long peakKiB = 0;
};

// Runs `argv` in `dir` with standard output and error dropped.
Outcome Run(const std::string& dir, const std::vector<std::string>& args)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
            !std::freopen("/dev/null", "w", stderr))
            ::_exit(126);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), usage.ru_maxrss};
}

// A program home with its own configuration and a one-barrel index.
const std::string& Home()
{
    static const std::string home = [] {
        fs::path dir = fs::path(cs::bench::WorkDir()) / "home";
        fs::create_directories(dir / "conf");
        fs::create_directories(dir / "docs");
        for (const char* name : {"csindexer", "cssearch"})
            fs::copy_file(kBinary + "/" + name, dir / name);
        for (const char* name : {"dictionary.txt", "stopwords.txt"})
            fs::copy_file(kSource + "/tests/data/analyze/" + name, dir / "conf" / name);
        fs::copy_file(kSource + "/conf/strres.xml", dir / "conf/strres.xml");
        Spit(dir / "pathconfig.xml",
             "<pathconfig><root>conf</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"
             "<CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH><DBINFO_PATH>dbinfo.txt</DBINFO_PATH>"
             "<STRRES_PATH>strres.xml</STRRES_PATH><DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>"
             "<STOPWORD_PATH>stopwords.txt</STOPWORD_PATH></pathconfig>");
        Spit(dir / "conf/global.xml", "<config><index><system_status>1</system_status><source>" + (dir / "docs").string() +
                                          "</source><path>" + (dir / "index").string() +
                                          "</path><memory>20000000</memory></index><log><path>" +
                                          (dir / "log").string() + "</path><level>error</level></log></config>");
        Spit(dir / "conf/dbinfo.txt", "dbcount=1\ndbname0=bench\n");
        Spit(dir / "docs/a.txt", "hello world of the index\n");
        Spit(dir / "docs/b.txt", Repeat("hello world ", 300) + "\n");
        if (Run(dir.string(), {(dir / "csindexer").string(), "-d", "bench"}).exitCode != 0)
            throw std::runtime_error("the indexer failed, see " + (dir / "log").string());
        return dir.string();
    }();
    return home;
}

// One cssearch run per iteration with the query split into arguments of at
// most 60,000 bytes (an argument may not pass 128 KiB); `expected` is its
// exit status.
void Search(benchmark::State& state, const std::string& query, int expected)
{
    if (!fs::exists(kBinary + "/cssearch") || !fs::exists(kBinary + "/csindexer")) {
        state.SkipWithError("needs cssearch and csindexer in the build directory");
        return;
    }
    std::vector<std::string> args{Home() + "/cssearch", "-i", Home() + "/index"};
    for (size_t at = 0; at < query.size(); at += 60000)
        args.push_back(query.substr(at, 60000));
    Outcome outcome;
    for (auto _ : state) {
        outcome = Run(Home(), args);
        if (outcome.exitCode != expected) {
            state.SkipWithError(("cssearch ended with " + std::to_string(outcome.exitCode)).c_str());
            return;
        }
    }
    state.counters["query_bytes"] = static_cast<double>(query.size());
    state.counters["peak_MiB"] = static_cast<double>(outcome.peakKiB) / 1024.0;
}

void NestedParentheses(benchmark::State& state) { Search(state, Repeat("(", 100000) + "hello", 2); }
void QueryOfOneMegabyte(benchmark::State& state) { Search(state, Repeat("hello ", 174763), 2); }
void QueryJustUnderTheBound(benchmark::State& state)
{
    // 43,690 terms of 6 bytes: every term's documents are looked up.
    Search(state, Repeat("hello ", 43690).substr(0, 262140), 0);
}
void PhraseOf600Terms(benchmark::State& state) { Search(state, "\"" + Repeat("hello world ", 300) + "\"", 0); }

} // namespace

BENCHMARK(NestedParentheses)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(QueryOfOneMegabyte)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(QueryJustUnderTheBound)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PhraseOf600Terms)->Unit(benchmark::kMillisecond)->UseRealTime();
