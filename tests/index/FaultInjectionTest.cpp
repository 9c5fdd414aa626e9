// Directory runs whose disk fails, or loses power, at each change they make to
// the index directory in turn: a first run into an empty index and an
// incremental run over a changed tree, each with two flushes and a merge.
// After every fault, and the start-up recovery of the next run, the index is
// sound, holds every document of the flushes that the writer had declared in
// the index before the fault, and holds none twice; a new run over the same
// tree then brings it to the tree exactly.
//
// The index is judged after the start-up recovery (RunDriver's RecoverIndex:
// a plan that cannot be read is refused, a pending plan is completed, what an
// unfinished flush or merge left is removed, a list that does not agree with
// its barrels is refused), not before it: cscheck reports a pending plan and
// the leftovers of a flush or merge as unfinished work for the next csindexer
// run, and csindexer never opens an index without that recovery.
//
// Many faults leave the same directory (a failure at any write of a flush's
// files leaves the index of the commit before). What is judged of it, the live
// documents, the collection state's agreement, the soundness, the new run and
// what it leaves, depends on the directory's names and bytes alone: it is
// judged once for each directory the faults leave (told apart by TreeDigest).
//
// A write that fails ends the process through the fatal report
// (errorreport.txt beside the program, exit code 3), as it ends csindexer, so
// every faulted run is a forked process; and the faults are tried in a copy of
// this program in a directory of its own (as DiskFullTest does), so that those
// reports land there and not beside the test programs that other suites share.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "analyze/AnalyzerRegistry.h"
#include "collect/DirCollection.h"
#include "index/IndexRefusal.h"
#include "index/commit/IndexRecovery.h"
#include "index/testing/TestHooks.h"
#include "platform/EnvScope.h"
#include "support/AnalyzerTestData.h"
#include "support/ChangingTree.h"
#include "support/FaultInjectionEnv.h"
#include "support/IndexFiles.h"
#include "support/IndexedTree.h"
#include "support/IndexingRig.h"
#include "support/LiveIndex.h"
#include "support/TestSupport.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"

namespace {

using namespace cs::test;
using Fault = CFaultInjectionEnv::Fault;
using Markers = std::map<std::string, std::vector<std::string>>;   // marker -> paths of its live documents

// 24 files, the first barrel cut after 9 (with m = 3 a merge level holds 9 to
// 26 documents): the first run flushes 9 documents and 15, which the second
// flush's merge policy merges. The incremental run reads 12 files (3 edited,
// touched, renamed and added each) and removes 3: it flushes 9 documents,
// merged with the first run's barrel, then 3.
const size_t kFiles = 24;
const int32_t kFirstBarrel = 9;
const size_t kChangedEach = 3;
const char* const kMergeSettings =
    "<index><system_status>1</system_status></index><advanced><merge><m>3</m><c>2</c><s>1</s>"
    "<recycleStrategy>0</recycleStrategy></merge></advanced>";

struct FaultCase {
    const char* name;
    bool incremental;   // over an index of the whole tree, which is then changed
};

const char* FaultName(Fault fault)
{
    return fault == Fault::NO_SPACE ? "ENOSPC" : fault == Fault::IO_ERROR ? "EIO" : "power cut";
}

// One run of the program over the tree, with a writer and a collection of its
// own; the analyzer is shared by all runs.
struct RunSetting {
    const CChangingTree& tree;
    cs::analyze::CAnalyzer& analyzer;
};

void Run(const std::string& dir, const RunSetting& run)
{
    CIndexingRig rig(dir, cs::index::CIndex::ACCESS_APPEND, &run.analyzer);
    cs::collection::CDirCollection collection(run.tree.root());
    rig.run(collection);
}

void CopyDirectory(const std::string& from, const std::string& to)
{
    std::filesystem::remove_all(to);
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

// The markers live when the writer holds a flush's documents in the index for
// good (the flush's RENAMED moment, where it logs "... is in the index"), with
// the number of the last change made by then; from 0, the index the run
// starts from. A fault after that change must not lose them.
struct Commit {
    int64_t change;
    Markers live;
};

std::function<void()> g_flushed;   // told at every RENAMED moment while set

// A clean run that counts its changes and notes its commits.
std::vector<Commit> CountingRun(const std::string& dir, const RunSetting& run, int64_t& changes)
{
    std::vector<Commit> commits = {{0, LiveMarkers(dir, run.tree)}};
    CFaultInjectionEnv env(dir);
    g_flushed = [&] { commits.push_back({env.changes(), LiveMarkers(dir, run.tree)}); };
    cs::index::hooks::SetFlushHook([](int point) {
        if (point == cs::index::hooks::RENAMED)
            g_flushed();
    });
    {
        cs::platform::CEnvScope scope(env);
        Run(dir, run);
    }
    cs::index::hooks::SetFlushHook(nullptr);
    g_flushed = nullptr;
    changes = env.changes();
    return commits;
}

// The environment of a faulted run, for the end of its process: it says
// whether the fault struck and, after a power cut, leaves the disk as the cut
// would. The process may end through the fatal report's exit.
CFaultInjectionEnv* g_pFaulted = nullptr;

void EndFaultedRun()
{
    std::printf("%s\n", g_pFaulted->struck() ? "fault struck" : "fault not reached");
    std::fflush(stdout);
    if (g_pFaulted->powerLost())
        g_pFaulted->cut();
}

void EndFaultedRunAtExit(int status, void*)
{
    EndFaultedRun();
    ::_exit(status);
}

ProcessResult FaultedRun(const std::string& dir, const RunSetting& run, Fault fault, int64_t at)
{
    return RunForked([&] {
        CFaultInjectionEnv env(dir, fault, at);
        g_pFaulted = &env;
        ::on_exit(EndFaultedRunAtExit, nullptr);
        {
            cs::platform::CEnvScope scope(env);
            // What the program's main catches (and reports, ending with -1)
            // this process reports, and ends with 0.
            try {
                Run(dir, run);
            } catch (const std::exception& e) {
                std::printf("raised: %s\n", e.what());
            } catch (...) {
                std::printf("raised something else\n");
            }
        }
        EndFaultedRun();
    });
}

// What the next start does before it opens the index.
void RecoverAsTheNextStart(const std::string& dir)
{
    ASSERT_EQ(cs::index::CIndexRefusal::ofPlan(dir), "");
    cs::index::CIndexRecovery::recover(dir);
    ASSERT_EQ(cs::index::CIndexRefusal::ofList(dir), "");
}

// Every document of the last commit before the fault is live, unless its file
// changed since: edited, removed or renamed (a rename is a removal, committed
// with the first flush, and a new file, indexed in its turn). No marker is
// live twice.
void ExpectTheCommittedDocumentsOnce(const Markers& live, const Markers& committed, const CChangingTree& tree)
{
    for (const auto& [marker, paths] : committed) {
        for (const std::string& path : paths) {
            auto file = tree.files().find(path);
            if (file == tree.files().end() || file->second != marker)
                continue;
            auto found = live.find(marker);
            EXPECT_TRUE(found != live.end() && found->second == std::vector<std::string>{path})
                << "lost: " << path << " (" << marker << ")";
        }
    }
    for (const auto& [marker, paths] : live)
        EXPECT_EQ(paths.size(), 1u) << "live " << paths.size() << " times: " << marker;
}

// A new run over the tree, in the stand-in environment without a fault (it
// makes no real commits), must bring the index to the tree.
void ExpectARunToBringTheIndexToTheTree(const std::string& dir, const RunSetting& run)
{
    CFaultInjectionEnv env(dir);
    {
        cs::platform::CEnvScope scope(env);
        Run(dir, run);
    }
    ExpectIndexHoldsExactlyTheTree(dir, run.tree);
}

// The faults tried over one run: from the index in `start`, the run whose
// clean counterpart made `commits`.
struct FaultLoop {
    std::string dir, start;
    const RunSetting& run;
    std::vector<Commit> commits;
    std::map<uint64_t, Markers> judged;   // the live markers of each directory the faults left

    // One faulted run, the next start's recovery and the checks of what they leave.
    void tryFault(Fault fault, int64_t at)
    {
        CopyDirectory(start, dir);
        ProcessResult result = FaultedRun(dir, run, fault, at);
        // Ended as the program ends: through the fatal report of a write that
        // failed, or with what main catches.
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 3) << result.exitCode << "\n" << result.err;
        EXPECT_NE(result.out.find("fault struck"), std::string::npos) << result.out;
        ASSERT_NO_FATAL_FAILURE(RecoverAsTheNextStart(dir));
        auto [it, fresh] = judged.try_emplace(TreeDigest(dir));
        if (fresh) {
            it->second = LiveMarkers(dir, run.tree);
            EXPECT_EQ(StateAgreesWithIndex(dir), "");
            EXPECT_EQ(CheckIndex(dir), "");
            ExpectARunToBringTheIndexToTheTree(dir, run);
        }
        // The last commit whose change took effect before the fault.
        size_t last = 0;
        while (last + 1 < commits.size() && commits[last + 1].change < at + (fault == Fault::POWER_CUT ? 1 : 0))
            ++last;
        ExpectTheCommittedDocumentsOnce(it->second, commits[last].live, run.tree);
    }
};

void TryEveryFault(const FaultCase& c)
{
    cs::utility::CreateIndexMemoryCache(2000000);
    CGlobalConfigScope config(kMergeSettings);
    cs::index::hooks::SetFirstBarrelThreshold(kFirstBarrel);
    InstallTestDictionary();
    std::unique_ptr<cs::analyze::CAnalyzer> pAnalyzer =
        cs::analyze::CAnalyzerRegistry::instance().find("general.analyzer")->create();
    CChangingTree tree(MakeTempDir("tree"), 11);
    tree.add(kFiles);
    const RunSetting run{tree, *pAnalyzer};
    std::string dir = MakeTempDir("index");
    if (c.incremental) {
        ExpectARunToBringTheIndexToTheTree(dir, run);
        tree.change(kChangedEach);
    }
    std::string start = MakeTempDir("start") + "/index";
    CopyDirectory(dir, start);

    int64_t changes = 0;
    CLogCapture log;
    FaultLoop loop{dir, start, run, CountingRun(dir, run, changes), {}};
    ExpectIndexHoldsExactlyTheTree(dir, tree);
    ASSERT_GE(Occurrences(log.text(), " is in the index"), 2u);
    ASSERT_GE(Occurrences(log.text(), "index merging ended"), 1u);

    for (int64_t at = 1; at <= changes; ++at) {
        for (Fault fault : {Fault::NO_SPACE, Fault::IO_ERROR, Fault::POWER_CUT}) {
            SCOPED_TRACE(std::string(c.name) + ", " + FaultName(fault) + " at change " + std::to_string(at));
            try {
                loop.tryFault(fault, at);
            } catch (const std::exception& e) {
                ADD_FAILURE() << "raised: " << e.what();
            }
            // One failure tells enough; the rest would repeat it.
            if (::testing::Test::HasFailure())
                return;
        }
    }
    std::printf("%s: %lld changes, %zu flushes, %zu directories left by the faults\n", c.name,
                static_cast<long long>(changes), loop.commits.size() - 1, loop.judged.size());
}

// A new directory for the files of the fault loop: in the tmpfs of /dev/shm
// where there is one, for a real disk would make the thousand runs wait on its
// journal while the power-cut model, not the disk, decides what a cut leaves.
std::string LoopDirectory(const std::string& fallback)
{
    std::string pattern = "/dev/shm/cs-faults.XXXXXX";
    return ::mkdtemp(pattern.data()) ? pattern : fallback;
}

// Runs the child test `name` below in a copy of this program in a directory of
// its own, and expects it to pass.
void TryInCopy(const std::string& name)
{
    std::string home = MakeTempDir("faulthome");
    std::string program = home + "/faults";
    std::error_code error;
    std::filesystem::create_hard_link(cs::utility::GetAppFilePath(), program, error);
    if (error)
        std::filesystem::copy_file(cs::utility::GetAppFilePath(), program);
    std::string files = LoopDirectory(home);
    ProcessResult result = RunProcess(
        {program, "--gtest_also_run_disabled_tests", "--gtest_filter=DISABLED_FaultInjectionChild." + name}, home,
        {"TMPDIR=" + files});
    if (files != home)
        std::filesystem::remove_all(files, error);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("[  PASSED  ] 1 test"), std::string::npos) << result.out;
    // The count of changes tried, for the record.
    size_t count = result.out.find(" changes, ");
    if (count != std::string::npos) {
        size_t begin = result.out.rfind('\n', count) + 1;
        std::printf("%s\n", result.out.substr(begin, result.out.find('\n', count) - begin).c_str());
    }
}

} // namespace

// Run only as the children of the tests below.
TEST(DISABLED_FaultInjectionChild, FirstRun) { TryEveryFault({"first run", false}); }
TEST(DISABLED_FaultInjectionChild, IncrementalRun) { TryEveryFault({"incremental run", true}); }

TEST(FaultInjection, AFirstRunLosesNoCommittedDocumentAtAnyFault) { TryInCopy("FirstRun"); }
TEST(FaultInjection, AnIncrementalRunLosesNoCommittedDocumentAtAnyFault) { TryInCopy("IncrementalRun"); }
