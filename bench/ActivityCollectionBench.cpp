// The activity-record collection end to end: the indexer run as a process
// over generated activity databases of 50,000 and 200,000 records (content in
// the rows and in files) on a private server. Reports records per second and
// the peak resident memory of the process; the record query is read
// unbuffered, so memory must not grow with the number of records. The index
// memory is the smallest allowed (10 MiB): the memory cache is one block
// whose pages are touched as barrels grow, so up to 10 MiB of the resident
// memory is the cache reaching its high-water mark, not the records.
//
// The outside converters are left out of the configuration: a PDF upload
// costs a converter process (some 65 ms), which would measure the converter.
// The PDF uploads (about 1.4% of the records) are then dropped by the writer.
//
// Needs the built csindexer, mariadb-server and python3. Generating the
// databases takes a minute and about 600 MB below /tmp.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "support/BenchWorkDir.h"

namespace {

std::string Source(const std::string& relative) { return std::string(CS_SOURCE_DIR) + "/" + relative; }

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

std::string EnvValue(const std::string& env, const std::string& key)
{
    size_t at = env.find(key + "=");
    if (at == std::string::npos)
        throw std::runtime_error("no " + key + " in the server settings");
    at += key.size() + 1;
    return env.substr(at, env.find('\n', at) - at);
}

// A private server, the two databases and a configuration for the indexer.
class CBenchSetup {
public:
    CBenchSetup() : m_dir(cs::bench::WorkDir() + "/activity")
    {
        Shell("mkdir -p " + m_dir + "/conf " + m_dir + "/log");
        m_env = m_dir + "/mariadb.env";
        Shell("sh " + Source("scripts/test-mariadb.sh") + " start " + m_env + " >/dev/null");
        for (long records : {50000L, 200000L}) {
            Shell("python3 " + Source("tools/make-activity-db") + " --env " + m_env + " --database " + Name(records) +
                  " --filepath " + m_dir + "/capture --records " + std::to_string(records) + " --days 4 --seed 3" +
                  " --expect " + m_dir + "/" + Name(records) + ".json");
        }
        std::string env = Slurp(m_env);
        std::ofstream(m_dir + "/conf/dbinfo.txt")
            << "dbcount=2\ndbname0=" << Name(50000) << "\ndbname1=" << Name(200000) << "\nhost=127.0.0.1\nport="
            << EnvValue(env, "CS_DB_PORT") << "\nuser=" << EnvValue(env, "CS_DB_USER")
            << "\npassword=" << EnvValue(env, "CS_DB_PASSWORD") << "\nfilepath=" << m_dir << "/capture\n";
        std::ofstream(m_dir + "/conf/global.xml")
            << "<config><index><system_status>1</system_status><path>" << m_dir << "/index</path>"
            << "<memory>10485760</memory></index><log><level>warn</level><path>" << m_dir
            << "/log</path></log></config>\n";
        std::string mode = Slurp(Source("conf/content_mode.xml"));
        const std::string from = "<identifier>directory.collection</identifier>";
        mode.replace(mode.find(from), from.size(), "<identifier>content.collection</identifier>");
        std::ofstream(m_dir + "/conf/content_mode.xml") << mode;
        Shell("cp " + Source("conf/strres.xml") + " " + Source("conf/search_keywords.xml") + " " +
              Source("conf/trashurl.xml") + " " + Source("tests/data/analyze/dictionary.txt") + " " +
              Source("tests/data/analyze/stopwords.txt") + " " + m_dir + "/conf/");
        std::ofstream(m_dir + "/pathconfig.xml")
            << "<pathconfig><root>" << m_dir << "/conf</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"
            << "<CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH><DBINFO_PATH>dbinfo.txt</DBINFO_PATH>"
            << "<STRRES_PATH>strres.xml</STRRES_PATH><DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>"
            << "<STOPWORD_PATH>stopwords.txt</STOPWORD_PATH><SEARCH_KEYWORDS_CONFIG>search_keywords.xml"
            << "</SEARCH_KEYWORDS_CONFIG><TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG></pathconfig>\n";
        // A name of its own: copies of one program name exclude each other,
        // and an indexer running elsewhere on the machine would make every
        // run end at once.
        m_program = "csindexer-bench" + std::to_string(::getpid());
        Shell("cp " + std::string(CS_BINARY_DIR) + "/csindexer " + m_dir + "/" + m_program);
    }
    ~CBenchSetup() { std::system(("sh " + Source("scripts/test-mariadb.sh") + " stop " + m_env).c_str()); }

    static std::string Name(long records) { return "bench" + std::to_string(records / 1000) + "k"; }
    const std::string& dir() const { return m_dir; }
    const std::string& program() const { return m_program; }

    // The records collected over all types, from the database's state file,
    // and the number the generator expects.
    std::string collected(long records) const
    {
        return Count(Slurp(m_dir + "/index/" + Name(records) + "/collect_date.xml"), "<ALL>", "<count>");
    }
    std::string expected(long records) const
    {
        return Count(Slurp(m_dir + "/" + Name(records) + ".json"), "\"collected\": {", "\"ALL\": ");
    }

private:
    // The digits after `key` inside `section` of `text`.
    static std::string Count(const std::string& text, const std::string& section, const std::string& key)
    {
        size_t at = text.find(key, text.find(section));
        if (at == std::string::npos)
            return "<none>";
        at += key.size();
        return text.substr(at, text.find_first_not_of("0123456789", at) - at);
    }

    std::string m_dir;
    std::string m_env;
    std::string m_program;
};

CBenchSetup& Setup()
{
    static CBenchSetup setup;
    return setup;
}

// Runs csindexer -d <database> -r; its peak resident memory in KiB.
long RunIndexer(const std::string& dir, const std::string& program, const std::string& database)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        std::string path = "./" + program;
        ::execl(path.c_str(), program.c_str(), "-d", database.c_str(), "-r", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("csindexer failed on " + database);
    return usage.ru_maxrss;
}

void BM_CollectActivityRecords(benchmark::State& state)
{
    long records = state.range(0);
    const CBenchSetup& setup = Setup();
    long peakKiB = 0;
    for (auto _ : state) {
        auto begin = std::chrono::steady_clock::now();
        peakKiB = RunIndexer(setup.dir(), setup.program(), CBenchSetup::Name(records));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        if (setup.collected(records) != setup.expected(records)) {
            state.SkipWithError(("collected " + setup.collected(records) + " records instead of " +
                                 setup.expected(records)).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_CollectActivityRecords)->Arg(50000)->Arg(200000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
