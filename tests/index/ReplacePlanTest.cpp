// The crash-safe replacement of index files: a plan cut off after any of its
// steps is completed by recover() with the same result as an uninterrupted run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <stdexcept>

#include "index/commit/ReplacePlan.h"
#include "index/testing/TestHooks.h"
#include "store/ContentDirectory.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;
using cs::index::CReplacePlan;

int s_cutAt = -1;
void CutOff(int step)
{
    if (step == s_cutAt)
        ::_exit(0);
}

// _0 and _1 swap names through "tmp.", _2 goes away, the list file takes its place.
void Populate(const std::string& dir)
{
    WriteFile(dir + "/_0.tid", "zero");
    WriteFile(dir + "/_0.del", "zero-del");
    WriteFile(dir + "/_1.tid", "one");
    WriteFile(dir + "/_2.tid", "two");
    WriteFile(dir + "/_2.did", "two-did");
    WriteFile(dir + "/_2.sfd", "two-sfd");
    WriteFile(dir + "/index_status.xml", "old list");
    WriteFile(dir + "/index_status.xml.tmp", "new list");
}

void Plan(cs::store::CDirectory& directory, int removers)
{
    CReplacePlan plan(&directory);
    plan.setRemovers(removers);
    plan.addBarrelRemove(0, "_2");
    plan.addBarrelRename(0, "_0", "tmp._0");
    plan.addBarrelRename(0, "_1", "tmp._1");
    plan.addBarrelRename(1, "tmp._0", "_1");
    plan.addBarrelRename(1, "tmp._1", "_0");
    plan.addRename(1, "index_status.xml.tmp", "index_status.xml");
    plan.commit();
    plan.execute();
}

void ExpectReplaced(const std::string& dir)
{
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"_0.tid", "_1.del", "_1.tid", "index_status.xml"}));
    EXPECT_EQ(ReadFile(dir + "/_0.tid"), "one");
    EXPECT_EQ(ReadFile(dir + "/_1.tid"), "zero");
    EXPECT_EQ(ReadFile(dir + "/_1.del"), "zero-del");
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), "new list");
}

TEST(ReplacePlan, RunsItsPhasesInOrderAndLeavesNoPlanBehind)
{
    std::string dir = MakeTempDir("plan");
    Populate(dir);
    cs::store::CContentDirectory directory(dir, 0);
    // Barrel steps are taken from the directory as it is when they are added.
    CReplacePlan plan(&directory);
    plan.addBarrelRename(0, "_7", "_8");
    EXPECT_TRUE(plan.empty());
    Plan(directory, 1);
    ExpectReplaced(dir);
    EXPECT_FALSE(CReplacePlan::recover(&directory));
}

// One removal after another, and the removals of a phase at the same time.
TEST(ReplacePlan, EveryCutOffIsRolledForward)
{
    for (int removers : {1, 4}) {
        int steps = 0;
        for (int cut = 0;; ++cut) {
            SCOPED_TRACE(std::to_string(removers) + " removers, cut before step " + std::to_string(cut));
            std::string dir = MakeTempDir("plan-cut");
            Populate(dir);
            ProcessResult child = RunForked([&] {
                s_cutAt = cut;
                cs::index::hooks::SetStepHook(CutOff);
                cs::store::CContentDirectory directory(dir, 0);
                Plan(directory, removers);
                ::_exit(7);   // ran to the end: every cut has been tried
            });
            cs::store::CContentDirectory directory(dir, 0);
            if (child.exitCode == 7) {
                steps = cut;
                break;
            }
            ASSERT_EQ(child.exitCode, 0) << child.err;
            // Cut before the plan was committed: nothing has changed, the old state stands.
            bool pending = FileExists(dir + "/" + CReplacePlan::FILE_NAME);
            EXPECT_EQ(CReplacePlan::recover(&directory), pending);
            if (pending || cut > 0)
                ExpectReplaced(dir);
            else
                EXPECT_EQ(ReadFile(dir + "/index_status.xml"), "old list");
        }
        // The plan file, seven barrel files, the list, two phase records and the removal.
        EXPECT_GE(steps, 11);
    }
}

TEST(ReplacePlan, RefusesCrossingNamesAndDamagedPlans)
{
    std::string dir = MakeTempDir("plan-bad");
    Populate(dir);
    cs::store::CContentDirectory directory(dir, 0);
    CReplacePlan crossing(&directory);
    crossing.addRename(0, "_0.tid", "_1.tid");
    crossing.addRename(0, "_1.tid", "_0.tid");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { crossing.commit(); }),
              "ASSERT FAILED: no name is both a source and a target in one phase");
    EXPECT_FALSE(FileExists(dir + "/" + CReplacePlan::FILE_NAME));

    for (const std::string& text : {std::string("cs.plan 1\nphase\t0\nrename\t0\t_0.tid\n"),
                                    std::string("other\n"), std::string("cs.plan 1\nphase\t0\nrename\t0\ta\tb\n")}) {
        WriteFile(dir + "/" + CReplacePlan::FILE_NAME, text);
        std::string message = RaisedMessage<std::runtime_error>([&] { CReplacePlan::recover(&directory); });
        EXPECT_NE(message.find("replacement plan " + dir + "/index.plan is damaged"), std::string::npos) << message;
    }
    // Nothing was touched.
    EXPECT_EQ(ReadFile(dir + "/_0.tid"), "zero");
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), "old list");
}

} // namespace
