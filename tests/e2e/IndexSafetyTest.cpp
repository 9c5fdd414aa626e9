// What no run may do to an index, tried with the programs as processes: a
// barrel list or a plan that cannot be trusted stops every mode before it
// changes a byte; cscheck --repair keeps the barrels that decode whole; a
// rebuild is written beside the old index, which searches keep finding until
// the new one takes its place and which a killed rebuild leaves in force; the
// operator's files in the index root survive it; inputs that would make a
// run go wrong are refused with the index unchanged; and an index has one
// writer at a time, whatever the programs' names or namespaces, while
// installations of their own run side by side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/Sandbox.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"

using namespace cs::test;

namespace {

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

int ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Runs of a sandbox held in the middle for as long as a test wants, holding
// their locks: a stand-in Word converter says "held" through one fifo, then
// waits for the document's text through another.
class CConverterHold {
public:
    explicit CConverterHold(CSandbox& box) : m_box(box), m_dir(box.conf() + "/hold")
    {
        std::filesystem::create_directory(m_dir);
        for (const char* fifo : {"/held", "/release"})
            EXPECT_EQ(::mkfifo((m_dir + fifo).c_str(), 0600), 0);
        WriteFile(m_dir + "/doc2txt",
                  "#!/bin/bash\necho held > " + m_dir + "/held\ncat " + m_dir + "/release > \"${@: -1}\"\n");
        ::chmod((m_dir + "/doc2txt").c_str(), 0755);
        std::string paths = ReadFile(box.dir() + "/pathconfig.xml");
        box.writePathConfig(
            paths.insert(paths.rfind("</pathconfig>"), "<OUT_DOC_EXE_PATH>hold/doc2txt</OUT_DOC_EXE_PATH>"));
    }

    // One more Word file in the source directory, for the next run to convert.
    void addDocument()
    {
        WriteFile(m_box.docs() + "/held" + std::to_string(++m_documents) + ".doc",
                  ReadFile(std::string(CS_TEST_DATA_DIR) + "/office/sample.doc"));
    }

    // Starts `argv` in the sandbox; returns once its converter holds it (null
    // when the program ended before).
    std::unique_ptr<CBackgroundProcess> start(const std::vector<std::string>& argv) const
    {
        int fd = ::open((m_dir + "/held").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        auto pRun = std::make_unique<CBackgroundProcess>(argv, m_box.dir());
        pollfd held = {fd, POLLIN, 0};
        while (::poll(&held, 1, 50) == 0 && !pRun->ended()) {
        }
        bool converting = (held.revents & POLLIN) != 0;
        ::close(fd);
        if (converting)
            return pRun;
        ProcessResult ended = pRun->wait();
        ADD_FAILURE() << "the run was never held: exit " << ended.exitCode << ", " << ended.err;
        return nullptr;
    }

    // Gives the held converter its text (it may be the converter of a run
    // already killed): the run goes on.
    void release() const
    {
        int fd = -1;
        // The converter opens the fifo just after it said "held".
        for (int attempt = 0; fd < 0 && attempt < 2000; ++attempt) {
            fd = ::open((m_dir + "/release").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_GE(fd, 0) << "no converter waits";
        const std::string text = "held lighthouse keeper\n";
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }

private:
    CSandbox& m_box;
    std::string m_dir;
    int m_documents = 0;
};

class IndexSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        configure(m_box.docs());
        for (const auto& [from, name] : {std::pair{CS_SEARCH_PATH, "cssearch"}, std::pair{CS_CHECK_PATH, "cscheck"}})
            std::filesystem::copy_file(from, m_box.dir() + "/" + name);
    }

    // The usual configuration with the source directory `source`; a merge
    // level takes 20 barrels, so that each run's barrel stays one of its own.
    void configure(const std::string& source)
    {
        m_box.writeGlobal(
            Replaced(m_box.global("<system_status>1</system_status><source>" + source + "</source>"), "<c>2</c>",
                     "<c>20</c>"));
    }

    // `count` more files in the source directory, each with "hello" and a
    // number of its own.
    void addDocuments(int count)
    {
        for (int i = 0; i < count; ++i, ++m_files) {
            std::string text;
            for (int n = 0; n < 20; ++n)
                text += "hello world lighthouse " + std::to_string(m_files) + " ";
            WriteFile(m_box.docs() + "/doc" + std::to_string(m_files) + ".txt", text);
        }
    }

    // A tool beside the indexer, reading the sandbox's configuration.
    ProcessResult tool(const std::string& name, std::vector<std::string> args) const
    {
        args.insert(args.begin(), m_box.dir() + "/" + name);
        return RunProcess(args, m_box.dir());
    }
    ProcessResult search(const std::string& query) const { return tool("cssearch", {"-i", root(), "-n", "1", query}); }

    std::string root() const { return m_box.indexRoot(); }
    std::string list() const { return root() + "/index_status.xml"; }

    // A refused run: exit code not 0, one line on standard error holding
    // `cause`, the same at ERROR in the log (from byte `logFrom` on).
    void expectRefused(const ProcessResult& result, const std::string& cause, size_t logFrom) const
    {
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(Lines(result.err), 1u) << result.err;
        EXPECT_NE(result.err.find(cause), std::string::npos) << result.err;
        EXPECT_TRUE(m_box.logged("ERROR", cause, logFrom)) << cause;
    }

    CSandbox m_box;
    int m_files = 0;
};

} // namespace

// An index of two runs, 122 documents; then its barrel list is damaged in each
// of the ways a disk or an operator can damage it. No mode takes the damage
// for an empty index: appending and merging both stop before they change a
// byte or a time of any file of the index root, and say why and what to do;
// cscheck says the same, and so does cssearch where the list it reads by is
// damaged.
TEST_F(IndexSafety, ADamagedBarrelListStopsEveryModeAndChangesNothing)
{
    for (int run = 0; run < 2; ++run) {
        addDocuments(61);
        ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    }
    ASSERT_EQ(ListedDocuments(root()), 122);
    const std::string sound = MakeTempDir("sound") + "/index";
    std::filesystem::copy(root(), sound, std::filesystem::copy_options::recursive);
    const std::string text = ReadFile(list());

    struct Damage {
        const char* what;
        std::function<void()> apply;
        std::string cause;   // after "index_status.xml: "
    };
    const std::vector<Damage> damages = {
        {"emptied", [&] { WriteFile(list(), ""); }, "empty"},
        {"cut in half", [&] { WriteFile(list(), text.substr(0, text.size() / 2)); }, "does not parse"},
        {"garbled", [&] { WriteFile(list(), Replaced(text, "<barrels>", "<barrels (")); }, "does not parse"},
        {"a number garbled", [&] { WriteFile(list(), Replaced(text, "<barrel_count>2", "<barrel_count>x")); },
         "reading barrel_count failed"},
        {"deleted", [&] { std::filesystem::remove(list()); },
         "missing, but the directory holds barrel files (_0.did and 13 more files)"},
        {"naming no barrel", [&] { WriteFile(list(), Replaced(text, "<barrel_count>2", "<barrel_count>0")); },
         "names no barrel, but the directory holds barrel files (_0.did and 13 more files)"},
        {"a barrel's file gone", [&] { std::filesystem::remove(root() + "/_1.tid"); },
         "names barrel _1, whose file _1.tid is missing"},
        {"a count that disagrees with the files",
         [&] { WriteFile(list(), Replaced(text, "<doc_count>61</doc_count>", "<doc_count>60</doc_count>")); },
         "says barrel _0 holds 60 documents, but _0.sfi has room for 61"},
        {"a barrel it does not name",
         [&] { std::filesystem::copy_file(root() + "/_1.sfd", root() + "/_2.sfd"); },
         "does not name barrel _2, whose files are in the directory (_2.sfd)"},
    };
    // What cssearch says where it does not refuse: a reader reads only the
    // barrels the list names, and meets barrel files the list does not name
    // whenever a flush has renamed its barrel into place before its list.
    const std::map<std::string, std::pair<int, std::string>> readerSees = {
        {"deleted", {2, "no index in " + root() + ": index_status.xml is missing"}},
        {"naming no barrel", {1, "0 of 0 matching documents shown"}},
        {"a barrel it does not name", {0, "1 of 122 matching documents shown"}},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::filesystem::remove_all(root());
        std::filesystem::copy(sound, root(), std::filesystem::copy_options::recursive);
        damage.apply();
        const TreeSnapshot before = SnapshotTree(root());
        const std::string cause = list() + ": " + damage.cause + "; nothing was changed. \"cscheck --repair " +
                                  root() + "\" keeps the barrels that decode whole, \"csindexer -d <database> -r\" "
                                  "rebuilds the index";
        for (const std::vector<std::string>& args : {std::vector<std::string>{"-d", "alpha"}, {"-m"}}) {
            size_t logFrom = m_box.logText().size();
            ProcessResult run = m_box.run(args);
            expectRefused(run, cause, logFrom);
            EXPECT_EQ(run.out, "") << args[0];
            EXPECT_TRUE(SnapshotTree(root()) == before) << args[0];
        }
        auto seen = readerSees.find(damage.what);
        ProcessResult searched = search("hello");
        EXPECT_EQ(searched.exitCode, seen == readerSees.end() ? 2 : seen->second.first);
        EXPECT_NE(searched.err.find(seen == readerSees.end() ? cause : seen->second.second), std::string::npos)
            << searched.err;
        ProcessResult checked = tool("cscheck", {root()});
        EXPECT_EQ(checked.exitCode, 1);
        EXPECT_NE(checked.out.find(list() + ": " + damage.cause + "; \"cscheck --repair"), std::string::npos)
            << checked.out;
        EXPECT_TRUE(SnapshotTree(root()) == before);
    }
}

// Three barrels of 20 documents; the middle one is damaged and the list
// garbled. The repair writes a list of the two whole barrels (decoded with the
// configured content mode, the list's own being unreadable), sets aside what
// it could not keep, says which documents were lost; the index is searched.
TEST_F(IndexSafety, RepairKeepsTheBarrelsThatDecodeWholeAndSaysWhatWasLost)
{
    for (int run = 0; run < 3; ++run) {
        addDocuments(20);
        ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    }
    ProcessResult untouched = tool("cscheck", {"--repair", root()});
    EXPECT_EQ(untouched.exitCode, 0) << untouched.out << untouched.err;
    EXPECT_NE(untouched.out.find(root() + ": nothing to repair"), std::string::npos) << untouched.out;

    std::string did = ReadFile(root() + "/_1.did");
    WriteFile(root() + "/_1.did", did.substr(0, did.size() - 3));
    WriteFile(list(), "<database>garbage");
    ProcessResult repaired = tool("cscheck", {"--repair", root()});
    EXPECT_EQ(repaired.exitCode, 0) << repaired.out << repaired.err;
    size_t at = 0;
    for (const std::string& line :
         {list() + ": does not parse\n", std::string("the barrels are decoded with the content mode of the configuration\n"),
          std::string("barrel _0: kept, documents 0 to 19\n"), std::string("barrel _1: lost, documents 20 to 39 ("),
          std::string("its files are set aside as damaged._1.*\n"),
          std::string("barrel _2: kept, documents 40 to 59, now numbered from 20\n"),
          list() + ": a new barrel list of 2 barrels and 40 documents is in place; the old one is set aside as "
                   "damaged.index_status.xml\n",
          root() + "/collected_files.txt numbered the documents as the old list did and is set aside as "
                   "damaged.collected_files.txt: the next run refuses the index until \"csindexer -d <database> -r\" "
                   "rebuilds it\n",
          root() + ": sound, 2 barrels, 40 documents, 0 deleted\n"}) {
        size_t found = repaired.out.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << " in\n" << repaired.out;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_EQ(ReadFile(root() + "/damaged.index_status.xml"), "<database>garbage");
    EXPECT_EQ(ReadFile(root() + "/damaged._1.did"), did.substr(0, did.size() - 3));

    EXPECT_EQ(ListedDocuments(root()), 40);
    EXPECT_EQ(CheckIndex(root()), "");
    EXPECT_NE(search("hello").err.find("1 of 40 matching documents shown"), std::string::npos);
    // The directory collection cannot tell which files the 40 documents are.
    ProcessResult next = m_box.run({"-d", "alpha"});
    EXPECT_NE(next.exitCode, 0);
    EXPECT_NE(next.err.find("rebuild the index with csindexer -r"), std::string::npos) << next.err;
    ASSERT_EQ(m_box.run({"-d", "alpha", "-r"}).exitCode, 0);
    EXPECT_EQ(ListedDocuments(root()), 60);
}

// A plan that cannot be read stops appending and merging with the way out;
// cscheck gives the same advice; a rebuild sets the plan aside, kept, and
// builds the index anew.
TEST_F(IndexSafety, ADamagedPlanStopsTheRunsUntilARebuildSetsItAside)
{
    addDocuments(10);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    const std::string plan = "cs.plan 1\nphase\t0\nrename\t0\t_0.tid.tmp\t_0.tid\n";   // no end line
    WriteFile(root() + "/index.plan", plan);
    const TreeSnapshot before = SnapshotTree(root());
    const std::string damage = root() + "/index.plan: the plan of an interrupted replacement of index files is "
                                        "damaged (no end line), so the replacement cannot be completed";
    const std::string wayOut = "\"csindexer -d <database> -r\" sets the plan aside and rebuilds the index";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-d", "alpha"}, {"-m"}}) {
        size_t logFrom = m_box.logText().size();
        ProcessResult run = m_box.run(args);
        expectRefused(run, damage + "; nothing was changed. " + wayOut, logFrom);
        EXPECT_TRUE(SnapshotTree(root()) == before) << args[0];
    }
    ProcessResult checked = tool("cscheck", {root()});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_NE(checked.out.find(damage + "; " + wayOut), std::string::npos) << checked.out;

    ProcessResult rebuilt = m_box.run({"-d", "alpha", "-r"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    EXPECT_EQ(ReadFile(root() + "/damaged.index.plan"), plan);
    EXPECT_FALSE(FileExists(root() + "/index.plan"));
    EXPECT_EQ(ListedDocuments(root()), 10);
    EXPECT_EQ(CheckIndex(root()), "");
}

// Searches every 0.1 s while rebuilds run: each finds every document, from
// the old index until the new one is in place, then from the new one; there
// is no moment without a whole index. A search that read the old list just
// before the swap and finds an old barrel removed reads the new list. A
// rebuild takes about a second, so it is repeated until ten searches ran
// beside one.
TEST_F(IndexSafety, SearchesDuringARebuildAlwaysFindAWholeIndex)
{
    addDocuments(3000);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    auto findsAll = [](const ProcessResult& result) {
        return result.exitCode == 0 && result.err.find("of 3000 matching documents shown") != std::string::npos;
    };
    size_t searched = 0;
    for (int rebuild = 0; rebuild < 20 && searched < 10; ++rebuild) {
        std::atomic<bool> done{false};
        std::vector<std::string> failures;
        std::thread searcher([&] {
            while (!done) {
                ProcessResult result = search("hello");
                if (!findsAll(result))
                    failures.push_back(result.err);
                ++searched;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        ProcessResult rebuilt = m_box.run({"-d", "alpha", "-r"});
        done = true;
        searcher.join();
        ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
        EXPECT_TRUE(failures.empty()) << failures.front();
    }
    EXPECT_GE(searched, 10u) << "searches while a rebuild ran";
    EXPECT_EQ(ListedDocuments(root()), 3000);
    EXPECT_FALSE(FileExists(root() + "/index.rebuild"));
}

namespace {

// A run of the writer beside the readers: this many new files of this many
// words, each word a term of its own. Short runs make many commits, and a
// small index keeps every search and check quick.
const int kFilesPerRun = 20;
const int kWords = 10;

// The numbers that follow `piece` in each line of `text` holding it, read by
// the scanf `format`, line by line.
std::vector<std::vector<long>> Scanned(const std::string& text, const std::string& piece, const char* format,
                                       int count)
{
    std::vector<std::vector<long>> found;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        std::vector<long> numbers(4, 0);
        if (std::sscanf(text.c_str() + at + piece.size(), format, &numbers[0], &numbers[1], &numbers[2],
                        &numbers[3]) == count) {
            numbers.resize(static_cast<size_t>(count));
            found.push_back(numbers);
        }
    }
    return found;
}

// Whether a report of cscheck beside a running csindexer holds nothing but
// the files the run is writing (".tmp" files, a merge's files,
// index.plan.new, index.rename in the program home), which cscheck cannot yet
// tell from leftovers of a run cut off; the documents of a sound index are
// added to `sound`.
bool OnlyWorkInProgress(const ProcessResult& checked, const std::string& root, std::vector<long>& sound)
{
    const std::vector<std::string> inProgress = {
        ": left by an interrupted flush or merge;", ": left by an unfinished merge;",
        ": a replacement plan never committed;", ": a move of barrel files into place was cut off;"};
    if (checked.exitCode != 0 && checked.exitCode != 1)
        return false;
    std::istringstream lines(checked.out);
    for (std::string line; std::getline(lines, line);) {
        long documents = 0;
        if (std::sscanf(line.c_str(), (root + ": sound, %*d barrels, %ld documents").c_str(), &documents) == 1)
            sound.push_back(documents);
        else if (line.compare(0, root.size() + 2, root + ": ") != 0 && line.compare(0, 6, "note: ") != 0 &&
                 std::none_of(inProgress.begin(), inProgress.end(),
                              [&](const std::string& reason) { return line.find(reason) != std::string::npos; }))
            return false;
    }
    return true;
}

// The text of every day file of a log directory, oldest first.
std::string LogOf(const std::string& dir)
{
    std::string text;
    for (const std::string& name : ListDir(dir))
        text += ReadFile(dir + "/" + name);
    return text;
}

} // namespace

// Searches and checks, one after another, while csindexer appends run after
// run, each flushing its barrel and merging after it, until 500 searches and
// 50 checks ran. Every document holds "hello": every search counts as its
// hits the live documents of the barrel list it read (its log says which), a
// list the writer committed; every check finds the barrels sound and reports
// nothing but the files the run is writing.
TEST_F(IndexSafety, SearchesAndChecksBesideFlushesAndMergesReadOneWholeIndex)
{
    // A merge level takes two barrels, so merges follow most flushes. Lines
    // at debug level would be committed to disk by the thousand.
    std::string global = m_box.global("<system_status>1</system_status>", "<level>info</level>");
    m_box.writeGlobal(Replaced(global, "<memory>20000000</memory>", "<memory>10485760</memory>"));
    CCorpus corpus(2024);
    int files = 0;
    auto addFiles = [&](int count) {
        for (int i = 0; i < count; ++i, ++files)
            WriteFile(m_box.docs() + "/doc" + std::to_string(files) + ".txt", "hello " + corpus.randomWords(kWords));
    };
    addFiles(kFilesPerRun);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);

    std::atomic<bool> done{false};
    std::vector<std::string> runFailures;
    std::thread writer([&] {
        while (!done) {
            addFiles(kFilesPerRun);
            ProcessResult run = m_box.run({"-d", "alpha"});
            if (run.exitCode != 0)
                runFailures.push_back(run.err);
        }
    });
    std::vector<long> hits;   // of each search, in order
    std::vector<std::string> falseErrors;
    std::vector<long> checkedDocuments;   // of each check that found nothing
    for (int searches = 0, checks = 0; searches < 500 || checks < 50;) {
        if (searches % 10 == 0 && checks < 50) {
            ++checks;
            ProcessResult checked = tool("cscheck", {root()});
            if (!OnlyWorkInProgress(checked, root(), checkedDocuments))
                falseErrors.push_back("cscheck " + std::to_string(checked.exitCode) + ": " + checked.out + checked.err);
        }
        ProcessResult found = search("hello");
        long total = -1;
        if (found.exitCode != 0 || std::sscanf(found.err.c_str(), "%*d of %ld matching documents shown", &total) != 1)
            falseErrors.push_back("cssearch " + std::to_string(found.exitCode) + ": " + found.err);
        hits.push_back(total);
        ++searches;
    }
    done = true;
    writer.join();
    EXPECT_TRUE(runFailures.empty()) << runFailures.front();
    EXPECT_TRUE(falseErrors.empty()) << falseErrors.size() << " false errors, the first: " << falseErrors.front();

    // The lists the writer committed: the document count after each flush.
    const std::string writerLog = m_box.logText();
    std::set<long> committed;
    for (const std::vector<long>& flush : Scanned(writerLog, " barrel _", "%*d of %ld documents from %ld", 2))
        committed.insert(flush[0] + flush[1]);
    const std::vector<std::vector<long>> read =
        Scanned(LogOf(m_box.dir() + "/log/cssearch"), "read the index in " + root() + ": ",
                "%ld barrels, %ld documents, %ld deleted (attempt %ld)", 4);
    ASSERT_EQ(read.size(), hits.size()) << "a log line of each search";
    std::set<long> listsRead;
    size_t retried = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i], read[i][1] - read[i][2]) << "search " << i;
        EXPECT_EQ(committed.count(read[i][1]), 1u) << read[i][1] << " documents, search " << i;
        listsRead.insert(read[i][1]);
        retried += read[i][3] > 1 ? 1 : 0;
    }
    for (long documents : checkedDocuments)
        EXPECT_EQ(committed.count(documents), 1u) << documents << " documents checked";
    // The searches spanned many commits, of flushes and of merges.
    EXPECT_GE(listsRead.size(), 10u);
    EXPECT_GE(Occurrences(writerLog, "index merging ended"), 10u);
    std::printf("%zu runs of csindexer, %zu lists read by %zu searches, %zu read again, %zu checks clean\n",
                static_cast<size_t>(files / kFilesPerRun), listsRead.size(), hits.size(), retried,
                checkedDocuments.size());
}

// A rebuild killed while it writes the new index leaves the old one in force,
// with its document count; the next start removes the partial new one.
TEST_F(IndexSafety, ARebuildKilledMidwayLeavesTheOldIndexInForce)
{
    addDocuments(1500);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    int delayMs = ElapsedMs(start) / 2;
    std::string listed;
    bool killedMidway = false;
    for (int attempt = 0; attempt < 12 && !killedMidway; ++attempt) {
        listed = ReadFile(list());
        ProcessResult killed = m_box.run({"-d", "alpha", "-r"}, delayMs);
        ASSERT_TRUE(killed.exitCode == 0 || killed.exitCode == 128 + SIGKILL) << killed.err;
        const bool staged = FileExists(root() + "/index.rebuild");
        // Killed while it built the new index, before any swap began.
        killedMidway = killed.exitCode == 128 + SIGKILL && staged && !FileExists(root() + "/index.plan");
        if (killedMidway)
            break;
        // Too late (done, or in its swap, which a run completes) or too early.
        if (killed.exitCode == 0 || staged)
            delayMs = delayMs * 2 / 3;
        else
            delayMs = delayMs * 3 / 2 + 10;
        ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    }
    ASSERT_TRUE(killedMidway);
    EXPECT_EQ(ReadFile(list()), listed);
    EXPECT_EQ(ListedDocuments(root()), 1500);
    ProcessResult found = search("hello");
    EXPECT_EQ(found.exitCode, 0) << found.err;
    EXPECT_NE(found.err.find("of 1500 matching documents shown"), std::string::npos) << found.err;

    size_t logFrom = m_box.logText().size();
    ProcessResult next = m_box.run({"-d", "alpha"});
    ASSERT_EQ(next.exitCode, 0) << next.err;
    EXPECT_TRUE(m_box.logged("INFO", "removing the partial index of a rebuild that did not finish: " + root() +
                                         "/index.rebuild",
                             logFrom));
    EXPECT_FALSE(FileExists(root() + "/index.rebuild"));
    EXPECT_EQ(ListedDocuments(root()), 1500);
    EXPECT_EQ(CheckIndex(root()), "");
}

// A rebuild replaces the index, its barrels, list and state, and nothing
// else of the index root (here the directory collection's, which is the index
// directory itself): the operator's files and folders stay, index.run too,
// and the lock file, the very one (a new one would be free to a second run
// while the first holds the old).
TEST_F(IndexSafety, ARebuildReplacesTheIndexAndLeavesTheOperatorsFilesAlone)
{
    for (int run = 0; run < 2; ++run) {
        addDocuments(30);
        ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    }
    WriteFile(root() + "/NOTES.txt", "mine");
    WriteFile(root() + "/mine/data.txt", "kept");
    WriteFile(root() + "/_notes", "also mine");
    const std::filesystem::path lock = root() + "/index.lock";
    struct stat before {};
    ASSERT_EQ(::stat(lock.c_str(), &before), 0);
    ProcessResult rebuilt = m_box.run({"-d", "alpha", "-r"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    struct stat after {};
    ASSERT_EQ(::stat(lock.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(root() + "/NOTES.txt"), "mine");
    EXPECT_EQ(ReadFile(root() + "/mine/data.txt"), "kept");
    EXPECT_EQ(ReadFile(root() + "/_notes"), "also mine");
    EXPECT_EQ(ReadFile(root() + "/index.run"), "indexing database: Alpha, done: ");
    EXPECT_EQ(ListedDocuments(root()), 60);
    EXPECT_EQ(CheckIndex(root()), "");
    // Only the new barrels are left, under names the old ones did not have.
    for (const std::string& name : ListDir(root()))
        EXPECT_TRUE(name.compare(0, 3, "_0.") != 0 && name.compare(0, 3, "_1.") != 0) << name;
    EXPECT_FALSE(FileExists(root() + "/index.rebuild"));
    EXPECT_EQ(search("hello").exitCode, 0);
}

// Inputs that would make a run go wrong quietly, each refused by an append
// run and by a rebuild alike before anything changes: a source directory that
// is missing, not a directory, unreadable, the index root itself, inside it or
// around it; a database name the file does not hold; a dbcount past the lines
// of the file.
TEST_F(IndexSafety, InputsThatWouldMakeARunGoWrongAreRefusedWithTheIndexUnchanged)
{
    addDocuments(10);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    const std::string dbinfo = ReadFile(m_box.conf() + "/dbinfo.txt");
    const std::string plainFile = m_box.dir() + "/plain.txt";
    WriteFile(plainFile, "not a directory");
    const std::string locked = m_box.dir() + "/locked";
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0);
    std::filesystem::create_directory(root() + "/docs");
    const std::string way = "; nothing was indexed and the index is unchanged: set /config/index/source to the "
                            "directory of the documents";
    // Without the capabilities that let root read any directory.
    const std::vector<std::string> unprivileged = {"/usr/bin/setpriv", "--bounding-set",
                                                   "-dac_override,-dac_read_search"};
    struct Case {
        const char* what;
        std::string source;   // empty: as configured
        std::string dbinfo;   // empty: as it is
        std::vector<std::string> args;
        std::string cause;
        bool dropCapabilities = false;
    };
    const std::vector<Case> cases = {
        {"missing source", m_box.dir() + "/unmounted", "", {"-d", "alpha"},
         "the source directory " + m_box.dir() + "/unmounted does not exist (is its disk mounted?)" + way},
        {"source that is a file", plainFile, "", {"-d", "alpha"},
         "the source directory " + plainFile + " is not a directory" + way},
        {"unreadable source", locked, "", {"-d", "alpha"},
         "the source directory " + locked + " cannot be read (Permission denied)" + way, true},
        {"source that is the index root", root(), "", {"-d", "alpha"},
         "the source directory " + root() + " is the index root " + root() + way + " outside the index root"},
        {"source inside the index root", root() + "/docs", "", {"-d", "alpha"},
         "the source directory " + root() + "/docs lies inside the index root " + root() + way},
        {"source around the index root", m_box.dir(), "", {"-d", "alpha"},
         "the source directory " + m_box.dir() + " contains the index root " + root() + way},
        {"unknown database", "", "", {"-d", "gamma"},
         m_box.conf() + "/dbinfo.txt holds no database gamma; nothing was indexed. The configured databases: alpha, "
                        "beta (or all)"},
        {"dbcount past the lines", "", "dbcount=100000000\ndbname0=alpha\n", {"-d", "alpha"},
         "dbcount=100000000 in " + m_box.conf() + "/dbinfo.txt is larger than the 2 lines the file holds"},
    };
    const TreeSnapshot before = SnapshotTree(root());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        configure(c.source.empty() ? m_box.docs() : c.source);
        m_box.writeDbInfo(c.dbinfo.empty() ? dbinfo : c.dbinfo);
        for (bool rebuild : {false, true}) {
            std::vector<std::string> argv = c.dropCapabilities ? unprivileged : std::vector<std::string>();
            argv.push_back(m_box.program());
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            if (rebuild)
                argv.push_back("-r");
            size_t logFrom = m_box.logText().size();
            ProcessResult run = RunProcess(argv, m_box.dir());
            expectRefused(run, c.cause, logFrom);
            EXPECT_TRUE(SnapshotTree(root()) == before) << (rebuild ? "-r" : "append");
        }
    }
    ::chmod(locked.c_str(), 0755);
}

// Two runs never write one index at once. While a run is held in the middle, a
// second one is refused before it changes anything, with the line and the exit
// code of a second instance, naming what is locked and the first run's
// process: a copy under another name in the same program home (the home is
// locked), and a home of its own that indexes the same index root (the index
// is), also from another network namespace, as from a container sharing the
// volume. Then the first run completes.
TEST_F(IndexSafety, ASecondWriterOfTheSameIndexIsRefusedWhateverItsNameOrNamespace)
{
    addDocuments(3);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    CConverterHold hold(m_box);
    const std::string copy = m_box.dir() + "/indexer-copy";
    std::filesystem::copy_file(m_box.program(), copy);
    CSandbox other;
    other.writeGlobal(Replaced(other.global(), "<path>" + other.indexRoot(), "<path>" + root()));
    const bool unshare = RunProcess({"/usr/bin/unshare", "-n", "/bin/true"}).exitCode == 0;
    struct Case {
        const char* what;
        std::vector<std::string> argv;
        std::string locked;
    };
    std::vector<Case> cases = {
        {"another name, the same home", {copy, "-d", "alpha"}, m_box.dir()},
        {"another home, the same index", {other.program(), "-d", "alpha"}, root()},
    };
    if (unshare)
        cases.push_back({"another home, another network namespace",
                         {"/usr/bin/unshare", "-n", other.program(), "-d", "alpha"}, root()});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hold.addDocument();
        std::unique_ptr<CBackgroundProcess> first = hold.start({m_box.program(), "-d", "alpha"});
        ASSERT_TRUE(first);
        const TreeSnapshot before = SnapshotTree(root());
        ProcessResult second = RunProcess(c.argv, m_box.dir());
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(second.err, "there is another instance already: " + c.locked + " is being written by process " +
                                  std::to_string(first->pid()) + "\n");
        EXPECT_EQ(second.out, "");
        EXPECT_TRUE(SnapshotTree(root()) == before);
        hold.release();
        ProcessResult done = first->wait();
        EXPECT_EQ(done.exitCode, 0) << done.err;
    }
    EXPECT_EQ(ListedDocuments(root()), 3 + static_cast<int64_t>(cases.size()));
    EXPECT_EQ(CheckIndex(root()), "");
    if (!unshare)
        GTEST_SKIP() << "unshare -n is not permitted here: the case of another network namespace did not run";
}

// Two installations, each with its home and its index, under the one file
// name both have: their runs are both under way at once, and both complete.
TEST_F(IndexSafety, RunsOfTwoHomesWithIndexesOfTheirOwnGoSideBySide)
{
    CSandbox other;
    std::vector<std::unique_ptr<CConverterHold>> holds;
    std::vector<std::unique_ptr<CBackgroundProcess>> runs;
    for (CSandbox* pBox : {&m_box, &other}) {
        const std::string program = pBox->dir() + "/csindexer";
        std::filesystem::copy_file(pBox->program(), program);
        holds.push_back(std::make_unique<CConverterHold>(*pBox));
        holds.back()->addDocument();
        runs.push_back(holds.back()->start({program, "-d", "alpha"}));
        ASSERT_TRUE(runs.back());
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        holds[i]->release();
        ProcessResult done = runs[i]->wait();
        EXPECT_EQ(done.exitCode, 0) << done.err;
    }
    EXPECT_EQ(ListedDocuments(root()), 1);
    EXPECT_EQ(ListedDocuments(other.indexRoot()), 1);
}

// A writer killed (SIGKILL) while it holds its locks stands in no one's way:
// the next run takes them at once and indexes what the killed one did not.
TEST_F(IndexSafety, ALockOfAKilledWriterIsFreeAtOnce)
{
    CConverterHold hold(m_box);
    hold.addDocument();
    std::unique_ptr<CBackgroundProcess> killed = hold.start({m_box.program(), "-d", "alpha"});
    ASSERT_TRUE(killed);
    ASSERT_EQ(::kill(killed->pid(), SIGKILL), 0);
    EXPECT_EQ(killed->wait().exitCode, 128 + SIGKILL);
    hold.release();   // its converter, left behind
    std::unique_ptr<CBackgroundProcess> next = hold.start({m_box.program(), "-d", "alpha"});
    ASSERT_TRUE(next);
    hold.release();
    ProcessResult done = next->wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(ListedDocuments(root()), 1);
}

// Beside a run that writes the index, cscheck --repair changes nothing and
// says why; the plain check judges the index as a reader does.
TEST_F(IndexSafety, CscheckBesideARunningWriterRepairsNothing)
{
    addDocuments(3);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    CConverterHold hold(m_box);
    hold.addDocument();
    std::unique_ptr<CBackgroundProcess> writer = hold.start({m_box.program(), "-d", "alpha"});
    ASSERT_TRUE(writer);
    const std::string process = "csindexer (process " + std::to_string(writer->pid()) + ") is writing the index";
    const TreeSnapshot before = SnapshotTree(root());
    ProcessResult repaired = tool("cscheck", {"--repair", root()});
    EXPECT_EQ(repaired.exitCode, 2);
    EXPECT_EQ(repaired.err, "cscheck: " + root() + ": " + process +
                                "; nothing was changed: repair it once the run has ended\n");
    EXPECT_EQ(repaired.out, "");
    EXPECT_TRUE(SnapshotTree(root()) == before);
    ProcessResult checked = tool("cscheck", {root()});
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
    EXPECT_NE(checked.out.find("note: " + root() + ": " + process), std::string::npos) << checked.out;
    hold.release();
    ProcessResult done = writer->wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(ListedDocuments(root()), 4);
}
