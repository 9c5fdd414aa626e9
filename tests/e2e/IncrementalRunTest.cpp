// Incremental runs of the indexer over a folder that changes between them,
// as a user who indexes a folder of their own every night has them: the
// program as a process, the index decoded from its files. After every
// complete run each present file is found exactly once, by the word only it
// holds, with its path and its modification date; no removed file or old
// version is found. Killed at random moments, a run loses and doubles
// nothing, and the next complete run leaves the same index.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <random>

#include "analyze/DatetimeAnalyzer.h"
#include "e2e/Sandbox.h"
#include "index/commit/IndexRecovery.h"
#include "support/ChangingTree.h"
#include "support/IndexFiles.h"
#include "support/LiveIndex.h"
#include "utility/Format.h"

using namespace cs::test;

namespace {

const char kGameOver[] = "congratulations, game over!\n";

// Whether the index holds the tree as it is: every present file once, with
// its path, no version that is gone, nothing else; the state agrees.
::testing::AssertionResult HoldsTheTree(const std::string& root, const CChangingTree& tree)
{
    CLiveIndex live(root);
    for (const auto& [path, marker] : tree.files()) {
        std::vector<int64_t> docs = live.withTerm(CChangingTree::termOf(marker));
        if (docs.size() != 1)
            return ::testing::AssertionFailure() << path << " found " << docs.size() << " times";
        if (live.documents().at(docs[0]).path != path)
            return ::testing::AssertionFailure() << path << " found as " << live.documents().at(docs[0]).path;
    }
    for (const std::string& marker : tree.retired()) {
        if (!live.withTerm(CChangingTree::termOf(marker)).empty())
            return ::testing::AssertionFailure() << "a version that is gone is found: " << marker;
    }
    if (live.documents().size() != tree.files().size())
        return ::testing::AssertionFailure() << live.documents().size() << " documents for " << tree.files().size()
                                             << " files";
    std::string state = StateAgreesWithIndex(root);
    if (!state.empty())
        return ::testing::AssertionFailure() << state;
    return ::testing::AssertionSuccess();
}

// No word of any version is in two live documents.
::testing::AssertionResult NothingDoubled(const std::string& root, const CChangingTree& tree)
{
    CLiveIndex live(root);
    std::set<std::string> markers = tree.retired();
    for (const auto& [path, marker] : tree.files())
        markers.insert(marker);
    for (const std::string& marker : markers) {
        if (live.withTerm(CChangingTree::termOf(marker)).size() > 1)
            return ::testing::AssertionFailure() << marker << " is in more than one document";
    }
    return ::testing::AssertionSuccess();
}

std::string SummaryLine(const std::string& source, const CChangingTree& tree, const CChangingTree::Changes& changes)
{
    size_t indexed = changes.added.size() + changes.renamed.size();
    size_t updated = changes.edited.size() + changes.touched.size();
    return cs::utility::Format("directory %s: %zu files seen, %zu indexed, %zu unchanged, %zu updated, %zu removed, 0 "
                               "dropped",
                               source.c_str(), tree.files().size(), indexed, tree.files().size() - indexed - updated,
                               updated, changes.removed.size() + changes.renamed.size());
}

// The day number the date analyser gives the local day of `seconds`.
int32_t LocalDay(time_t seconds)
{
    std::tm local{};
    localtime_r(&seconds, &local);
    return cs::analyze::CDatetimeAnalyzer::dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

time_t LocalNoon(int year, int month, int day)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void SetModified(const std::string& path, time_t seconds)
{
    struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class IncrementalRun : public ::testing::Test {
protected:
    // The shipped recycling, so that merges drop deleted documents too.
    void configure(const std::string& memory)
    {
        std::string global = m_box.global("<system_status>1</system_status><source>" + m_tree.root() + "</source>",
                                          "<level>info</level>");
        auto replace = [&global](const std::string& from, const std::string& to) {
            global.replace(global.find(from), from.size(), to);
        };
        replace("<memory>20000000</memory>", "<memory>" + memory + "</memory>");
        replace("<recycleStrategy>0</recycleStrategy>",
                "<recycleStrategy>1</recycleStrategy><recycleParam>0.1</recycleParam>");
        m_box.writeGlobal(global);
    }

    ProcessResult search(const std::string& query) const
    {
        return RunProcess({CS_SEARCH_PATH, "-i", m_box.indexRoot(), "-n", "0", query}, m_box.dir());
    }

    CSandbox m_box;
    CChangingTree m_tree{m_box.dir() + "/folder", 16, 450};
};

} // namespace

TEST_F(IncrementalRun, EachRunFollowsTheChangesOfTheFolder)
{
    configure("20000000");
    std::string root = m_box.indexRoot();
    CChangingTree::Changes changes = m_tree.add(60);
    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        size_t logged = m_box.logText().size();
        ProcessResult result = m_box.run({"-d", "alpha"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, kGameOver);
        EXPECT_NE(m_box.logText().find(SummaryLine(m_tree.root(), m_tree, changes) + "\n", logged), std::string::npos)
            << m_box.logText().substr(logged);
        EXPECT_TRUE(HoldsTheTree(root, m_tree));
        EXPECT_EQ(CheckIndex(root), "");
        // Hits lead back to files that exist.
        CLiveIndex live(root);
        for (const auto& [doc, document] : live.documents())
            EXPECT_TRUE(FileExists(document.path)) << document.path;
        changes = m_tree.change(4);
    }
}

// The modification date of each file is its "date": the week of two files
// finds them and no other, the week after finds nothing.
TEST_F(IncrementalRun, DateRangesSelectFilesByModificationTime)
{
    configure("20000000");
    m_tree.add(6);
    auto it = m_tree.files().begin();
    const std::string monday = it->first, sunday = (++it)->first, later = (++it)->first;
    SetModified(monday, LocalNoon(2025, 3, 3));
    SetModified(sunday, LocalNoon(2025, 3, 9));
    SetModified(later, LocalNoon(2025, 3, 20));
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);

    CLiveIndex live(m_box.indexRoot());
    std::set<std::string> inWeek;
    const int32_t first = LocalDay(LocalNoon(2025, 3, 3)), last = LocalDay(LocalNoon(2025, 3, 9));
    for (const auto& [doc, document] : live.documents()) {
        struct stat st {};
        ASSERT_EQ(::stat(document.path.c_str(), &st), 0);
        EXPECT_EQ(document.days, std::set<int32_t>{LocalDay(st.st_mtime)}) << document.path;
        if (*document.days.begin() >= first && *document.days.begin() <= last)
            inWeek.insert(document.path);
    }
    EXPECT_EQ(inWeek, (std::set<std::string>{monday, sunday}));
    EXPECT_EQ(search("date:2025-03-03..2025-03-09").exitCode, 0);
    EXPECT_EQ(search("date:2025-03-10..2025-03-16").exitCode, 1);
}

// The program is killed at random moments (the seed fixes them) in runs over
// a folder that changes before each of them, in the smallest index memory:
// runs flush several barrels and merge them, with recycling. After every
// kill, and the recovery of the next start, the index is sound, its state
// names each live document once, and no version is in two documents; the
// next complete run leaves the folder's files exactly once each.
TEST_F(IncrementalRun, KilledAtRandomMomentsARunLosesAndDoublesNothing)
{
    configure("10485760");
    std::string root = m_box.indexRoot();
    m_tree.add(800);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    ASSERT_TRUE(HoldsTheTree(root, m_tree));
    m_tree.change(100);
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    int runMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());

    std::mt19937 random(20261208);
    int kills = 0, run = 0;
    for (; kills < 20 && run < 60; ++run) {
        m_tree.change(100);
        ProcessResult result = m_box.run({"-d", "alpha"}, std::uniform_int_distribution<int>(0, runMs)(random));
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 128 + SIGKILL) << result.err;
        kills += result.exitCode == 128 + SIGKILL ? 1 : 0;
        cs::index::CIndexRecovery::recover(root);
        ASSERT_EQ(CheckIndex(root), "") << "run " << run;
        ASSERT_EQ(StateAgreesWithIndex(root), "") << "run " << run;
        ASSERT_TRUE(NothingDoubled(root, m_tree)) << "run " << run;
        if (result.exitCode == 0) {
            EXPECT_TRUE(HoldsTheTree(root, m_tree)) << "run " << run;
        }
    }
    EXPECT_EQ(kills, 20) << "in " << run << " runs of about " << runMs << " ms";

    ProcessResult last = m_box.run({"-d", "alpha"});
    ASSERT_EQ(last.exitCode, 0) << last.err;
    EXPECT_TRUE(HoldsTheTree(root, m_tree));
    EXPECT_EQ(CheckIndex(root), "");
}
