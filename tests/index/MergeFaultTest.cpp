// Merges over damaged barrels, and merges, wipes and rebuild swaps cut off by
// a crash: a damaged file is named and nothing on disk is lost; a cut-off
// replacement is completed or undone by the recovery of the next start,
// losing no document.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "MergeTestKit.h"
#include "index/Index.h"
#include "index/commit/IndexRecovery.h"
#include "index/commit/RebuildBeside.h"
#include "index/commit/ReplacePlan.h"
#include "index/testing/TestHooks.h"
#include "platform/EnvScope.h"
#include "support/FullDiskEnv.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace {

using namespace cs::test;

// Barrels of 4 documents; the first two of barrel 1 are deleted. Two
// barrels make one merge, three make two.
std::vector<std::vector<FixtureDoc>> SmallIndex(int barrelCount = 3)
{
    std::vector<std::vector<FixtureDoc>> barrels(static_cast<size_t>(barrelCount));
    for (int i = 0; i < barrelCount; ++i) {
        for (int n = 0; n < 4; ++n) {
            std::string id = std::to_string(i) + "." + std::to_string(n);
            barrels[static_cast<size_t>(i)].push_back(
                Doc(id, {{0, {n, 10 + i, n}}, {1, {i - n}}, {2, {n * 1000}}, {3, {20000 + n}}}, i == 1 && n < 2));
        }
    }
    return barrels;
}

std::map<std::string, std::string> Files(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : ListDir(dir))
        files[name] = ReadFile(dir + "/" + name);
    return files;
}

void Recover(const std::string& dir)
{
    cs::store::CContentDirectory directory(dir, cs::store::CContentDirectory::MODE_OPEN);
    cs::index::CIndexRecovery::recover(&directory);
}

// The merge fails naming `file`, with one thread and with the stored fields
// copied on a second; once the next start has cleaned up, the directory is
// exactly what it was.
void ExpectFailureNaming(const std::string& dir, const std::string& file)
{
    std::map<std::string, std::string> before = Files(dir);
    for (int threads : {1, 2}) {
        MergeSettings settings;
        settings.threads = threads;
        std::string message = RaisedMessage<std::runtime_error>([&] { RunMerge(dir, settings); });
        EXPECT_NE(message.find(dir + "/" + file), std::string::npos) << threads << " threads: " << message;
        Recover(dir);
        EXPECT_TRUE(Files(dir) == before) << threads << " threads";
    }
}

TEST(MergeFaults, DamagedPostingFilesFailTheMergeAndLoseNothing)
{
    std::string dir = WriteIndex("fault-did", SmallIndex(2));
    std::string did = ReadFile(dir + "/_1.did");
    WriteFile(dir + "/_1.did", did.substr(0, did.size() - 3));
    ExpectFailureNaming(dir, "_1.did");

    // A .tid trailer beyond the file: the trailer offset of field "text" in
    // .fdi sits after the field count, the name, the flags and two counts.
    dir = WriteIndex("fault-tid", SmallIndex(2));
    std::string fdi = ReadFile(dir + "/_0.fdi");
    fdi.replace(4 + 5 + 4 + 8 + 8, 8, std::string("\0\0\0\0\0\1\0\0", 8));
    WriteFile(dir + "/_0.fdi", fdi);
    ExpectFailureNaming(dir, "_0.tid");

    dir = WriteIndex("fault-sfi", SmallIndex(2));
    std::string sfi = ReadFile(dir + "/_0.sfi");
    WriteFile(dir + "/_0.sfi", sfi.substr(0, 16));
    ExpectFailureNaming(dir, "_0.sfi");

    dir = WriteIndex("fault-del", SmallIndex(2));
    WriteFile(dir + "/_1.del", "\x04\0\0\0");
    ExpectFailureNaming(dir, "_1.del");
}

TEST(MergeFaults, DeletionCountsThatDisagreeAreLoggedAndNothingIsDropped)
{
    std::vector<std::vector<FixtureDoc>> barrels = SmallIndex();
    std::string dir = WriteIndex("fault-count", barrels);
    // index_status.xml says 3 deletions where _1.del marks 2.
    WriteIndexStatus(dir, {{"_0", 4, 0}, {"_1", 4, 3}, {"_2", 4, 0}}, MergeFields());
    IndexView before = ViewIndex(dir);
    CLogCapture log;
    MergeSettings recycle;
    recycle.strategy = 2;
    recycle.count = 1;
    RunMerge(dir, recycle);
    EXPECT_TRUE(log.logged("ERROR", "deleted files number is not same between index_status.xml and " + dir +
                                        "/_1.del"));
    EXPECT_EQ(CheckIndex(dir), "");
    IndexView after = ViewIndex(dir);
    EXPECT_EQ(CompareViews(before, after), "");
    // The barrel's deletions were kept, not dropped: postings, records and marks agree.
    EXPECT_EQ(after.docs.size(), 12u);
    EXPECT_TRUE(after.docs.at("1.0").deleted);
    EXPECT_TRUE(after.docs.at("1.1").deleted);
    EXPECT_EQ(after.withoutRecord, 0u);
}

TEST(MergeFaults, ADeletionFileLongerThanItsBarrelIsCut)
{
    std::vector<std::vector<FixtureDoc>> barrels = SmallIndex();
    barrels[2][0].deleted = true;
    std::string dir = WriteIndex("fault-long", barrels);
    // _1.del covers 12 documents, marking 0, 1 and 9 of a barrel of 4.
    std::vector<bool> marks(12, false);
    marks[0] = marks[1] = marks[9] = true;
    WriteFile(dir + "/_1.del", DeletedFile(marks));
    WriteIndexStatus(dir, {{"_0", 4, 0}, {"_1", 4, 2}, {"_2", 4, 1}}, MergeFields());
    IndexView before = ViewIndex(dir);
    CLogCapture log;
    RunMerge(dir);
    EXPECT_TRUE(log.logged("ERROR", "doc number in file " + dir + "/_1.del is larger than barrel _1 info"));
    EXPECT_EQ(CheckIndex(dir), "");
    IndexView after = ViewIndex(dir);
    // Marks past the cut do not shift the later barrel's.
    for (const auto& [id, doc] : after.docs)
        EXPECT_EQ(doc.deleted, id == "1.0" || id == "1.1" || id == "2.0") << id;
    EXPECT_EQ(CompareViews(before, after), "");
}

int s_cutAt = -1;
void CutOff(int step)
{
    if (step == s_cutAt)
        ::_exit(0);
}

// Runs the merge in a child that dies before replacement step `cut`; false
// when the merge ran to its end without reaching it.
bool MergeCutAt(const std::string& dir, int cut, const MergeSettings& settings)
{
    ProcessResult child = RunForked([&] {
        s_cutAt = cut;
        cs::index::hooks::SetStepHook(CutOff);
        RunMerge(dir, settings);
        ::_exit(7);
    });
    if (child.exitCode != 0 && child.exitCode != 7)
        ADD_FAILURE() << "merge child ended with " << child.exitCode << ": " << child.err;
    return child.exitCode == 0;
}

// What stood in the index directory when the first plan was about to be
// committed: the files of the new barrel with their lengths, and those of
// them that the process still had open.
std::string s_watchedDir;
std::map<std::string, std::string> s_atPlan;
std::vector<std::string> s_openAtPlan;
void RecordFirstPlan(int step)
{
    if (step != 0 || !s_atPlan.empty())
        return;
    for (const std::string& name : ListDir(s_watchedDir)) {
        if (name.compare(0, 5, "_mid_") == 0)
            s_atPlan[name] = ReadFile(s_watchedDir + "/" + name);
    }
    for (const std::string& fd : ListDir("/proc/self/fd")) {
        char target[4096];
        ssize_t n = ::readlink(("/proc/self/fd/" + fd).c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)).find("/_mid_") != std::string::npos)
            s_openAtPlan.emplace_back(target, static_cast<size_t>(n));
    }
}

TEST(MergeCrash, EveryFileOfTheNewBarrelIsWholeAndClosedBeforeThePlan)
{
    std::string dir = WriteIndex("crash-order", SmallIndex(2));
    s_watchedDir = dir;
    s_atPlan.clear();
    s_openAtPlan.clear();
    cs::index::hooks::SetStepHook(RecordFirstPlan);
    RunMerge(dir);
    cs::index::hooks::SetStepHook(nullptr);
    // Closing commits a file: none may still be open when the plan goes to disk.
    EXPECT_TRUE(s_openAtPlan.empty()) << s_openAtPlan.front();
    std::map<std::string, std::string> after = Files(dir);
    for (const char* extension : {".tid", ".did", ".pid", ".sfi", ".sfd", ".fdi"}) {
        auto found = std::find_if(s_atPlan.begin(), s_atPlan.end(), [&](const auto& entry) {
            return entry.first.size() > 4 && entry.first.compare(entry.first.size() - 4, 4, extension) == 0;
        });
        ASSERT_NE(found, s_atPlan.end()) << extension;
        EXPECT_TRUE(found->second == after[std::string("_0") + extension]) << extension;
    }
}

TEST(MergeCrash, EveryCutOffReplacementIsCompletedOrUndone)
{
    MergeSettings recycle;
    recycle.strategy = 2;
    recycle.count = 1;
    IndexView initial = ViewIndex(WriteIndex("crash-view", SmallIndex(2)));
    int cut = 0;
    for (;; ++cut) {
        SCOPED_TRACE("cut before step " + std::to_string(cut));
        std::string dir = WriteIndex("crash", SmallIndex(2));
        if (!MergeCutAt(dir, cut, recycle))
            break;
        Recover(dir);
        ASSERT_EQ(CheckIndex(dir), "");
        ASSERT_EQ(CompareViews(initial, ViewIndex(dir)), "");
        for (const std::string& name : ListDir(dir)) {
            ASSERT_NE(name.compare(0, 5, "_mid_"), 0) << name;
            ASSERT_NE(name.compare(0, 4, "tmp."), 0) << name;
            ASSERT_NE(name, cs::index::CReplacePlan::FILE_NAME);
        }
        // The index goes on: a later merge starts from whatever state was recovered.
        RunMerge(dir, recycle);
        ASSERT_EQ(CheckIndex(dir), "");
        ASSERT_EQ(CompareViews(initial, ViewIndex(dir)), "");
    }
    // The merge's replacement and the final renumbering.
    EXPECT_GT(cut, 20);

    // A recovery cut off in turn is completed by the next one.
    std::string dir = WriteIndex("crash-twice", SmallIndex(2));
    ASSERT_TRUE(MergeCutAt(dir, 3, recycle));
    ProcessResult child = RunForked([&] {
        s_cutAt = 2;
        cs::index::hooks::SetStepHook(CutOff);
        Recover(dir);
        ::_exit(7);
    });
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_TRUE(FileExists(dir + "/" + cs::index::CReplacePlan::FILE_NAME));
    Recover(dir);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(initial, ViewIndex(dir)), "");
}

} // namespace

namespace {

// A rebuild cut off while it empties the directory: after the next start's
// recovery the index is the old one, whole and with its collection state, or
// nothing at all; never a barrel list without its barrels.
TEST(IndexWipe, ACutOffRebuildLeavesTheOldIndexOrNone)
{
    IndexView initial = ViewIndex(WriteIndex("wipe-view", SmallIndex(3)));
    int cut = 0;
    for (;; ++cut) {
        SCOPED_TRACE("cut before step " + std::to_string(cut));
        std::string dir = WriteIndex("wipe", SmallIndex(3));
        WriteFile(dir + "/collect_date.xml", "<collect/>");
        ProcessResult child = RunForked([&] {
            s_cutAt = cut;
            cs::index::hooks::SetStepHook(CutOff);
            cs::index::CIndex index(cs::index::CIndex::ACCESS_CREATE, dir);
            ::_exit(7);
        });
        ASSERT_TRUE(child.exitCode == 0 || child.exitCode == 7) << child.err;
        Recover(dir);
        std::vector<std::string> left = ListDir(dir);
        if (FileExists(dir + "/index_status.xml")) {
            EXPECT_EQ(CheckIndex(dir), "");
            EXPECT_EQ(CompareViews(initial, ViewIndex(dir)), "");
            EXPECT_TRUE(FileExists(dir + "/collect_date.xml"));
        } else {
            EXPECT_TRUE(left.empty()) << left.front();
        }
        if (child.exitCode == 7)
            break;
    }
    // The plan's commit, one removal per file, the plan's removal.
    EXPECT_GT(cut, 3 * 6);
}

} // namespace

namespace {

// A rebuild's swap cut off at any step: after the next start's recovery the
// index is the old one or the new one, whole, with the collection state that
// belongs to it; the staging directory is gone and the files that are not
// the index's are still there.
TEST(IndexRebuild, ACutOffSwapLeavesTheOldIndexOrTheNew)
{
    IndexView oldView = ViewIndex(WriteIndex("swap-old-view", SmallIndex(3)));
    IndexView newView = ViewIndex(WriteIndex("swap-new-view", SmallIndex(2)));
    int cut = 0;
    for (;; ++cut) {
        SCOPED_TRACE("cut before step " + std::to_string(cut));
        std::string dir = WriteIndex("swap", SmallIndex(3));
        WriteFile(dir + "/collect_date.xml", "<old/>");
        WriteFile(dir + "/notes.txt", "mine");
        std::string staging = cs::index::CRebuildBeside::stagingDir(dir);
        std::filesystem::rename(WriteIndex("swap-new", SmallIndex(2)), staging);
        WriteFile(staging + "/collect_date.xml", "<new/>");
        ProcessResult child = RunForked([&] {
            s_cutAt = cut;
            cs::index::hooks::SetStepHook(CutOff);
            cs::index::CRebuildBeside::swapIn(dir);
            ::_exit(7);
        });
        ASSERT_TRUE(child.exitCode == 0 || child.exitCode == 7) << child.err;
        Recover(dir);
        ASSERT_EQ(CheckIndex(dir), "");
        IndexView view = ViewIndex(dir);
        bool swapped = CompareViews(newView, view).empty();
        EXPECT_TRUE(swapped || CompareViews(oldView, view).empty());
        EXPECT_EQ(ReadFile(dir + "/collect_date.xml"), swapped ? "<new/>" : "<old/>");
        EXPECT_EQ(ReadFile(dir + "/notes.txt"), "mine");
        EXPECT_FALSE(FileExists(staging));
        if (child.exitCode == 7) {
            ASSERT_TRUE(swapped);
            // The new barrels took names the old ones did not have.
            std::vector<std::string> names;
            for (const BarrelRecord& barrel : view.barrels)
                names.push_back(barrel.name);
            EXPECT_EQ(names, (std::vector<std::string>{"_3", "_4"}));
            EXPECT_FALSE(FileExists(dir + "/_0.tid"));
            break;
        }
    }
    // The plan's commit, the moves of 2 barrels and their state, the removal
    // of 3 barrels, the phase records and the plan's removal.
    EXPECT_GT(cut, 2 * 6 + 3 * 6);
}

// A rebuild needs room beside the old index for a new one as large.
TEST(IndexRebuild, ARebuildWithoutRoomForTheNewIndexEndsWithTheLackOfDiskSpaceReport)
{
    ASSERT_TRUE(cs::utility::CStringResource::instance().load(TestRoot() + "/strres.xml"));
    std::string dir = WriteIndex("room", SmallIndex(3));
    {
        CFullDiskEnv roomy(dir, int64_t(64) << 20);
        cs::platform::CEnvScope scope(roomy);
        cs::index::CRebuildBeside::checkRoom(dir);
    }
    CFullDiskEnv tight(dir, int64_t(1) << 20);
    cs::platform::CEnvScope scope(tight);
    std::string text = cs::utility::CStringResource::instance().get("IDR_LACK_DISKSPACE");
    EXPECT_EXIT(cs::index::CRebuildBeside::checkRoom(dir), ::testing::ExitedWithCode(3),
                text + ": a rebuild beside the index in " + dir + " needs about 1 MiB, the file system has 1 MiB free");
    std::remove((cs::utility::GetAppDir() + "errorreport.txt").c_str());
}

} // namespace
