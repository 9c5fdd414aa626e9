// Random indexes merged with random settings: whatever the policy does, every
// document not deleted keeps its postings, positions and stored fields, and
// the barrel list stays sound.
#include <gtest/gtest.h>

#include <random>

#include "MergeTestKit.h"

namespace {

using namespace cs::test;

std::vector<std::vector<FixtureDoc>> RandomBarrels(std::mt19937& random, int& serial)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::vector<FixtureDoc>> barrels(static_cast<size_t>(pick(2, 6)));
    int deletionPercent = pick(0, 3) * 15;
    for (std::vector<FixtureDoc>& docs : barrels) {
        int count = pick(1, 12);
        for (int n = 0; n < count; ++n) {
            std::map<int, std::vector<int32_t>> tokens;
            for (int k = pick(0, 8); k > 0; --k)
                tokens[0].push_back(pick(0, 9) == 0 ? -1 : pick(0, 30));
            if (pick(0, 2) > 0)
                tokens[1].push_back(pick(-3, 3));
            for (int k = pick(0, 3); k > 0; --k)
                tokens[2].push_back(pick(-1000000, 1000000) * 2000);
            if (pick(0, 3) > 0)
                tokens[3].push_back(20000 + pick(0, 5));
            docs.push_back(Doc("d" + std::to_string(serial++), tokens, pick(0, 99) < deletionPercent));
        }
    }
    return barrels;
}

MergeSettings RandomSettings(std::mt19937& random)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    MergeSettings settings;
    settings.m = pick(2, 4);
    settings.c = pick(2, 4);
    settings.s = pick(1, 3);
    settings.strategy = pick(0, 2);
    settings.ratio = static_cast<float>(pick(0, 3)) * 0.2f;
    settings.count = pick(0, 3);
    settings.buffer = pick(0, 1) ? 5 * 4096 : 0;
    return settings;
}

TEST(MergeProperty, RandomIndexesKeepEveryLiveDocument)
{
    std::mt19937 random(20240611);
    int serial = 0;
    for (int iteration = 0; iteration < 30; ++iteration) {
        SCOPED_TRACE("iteration " + std::to_string(iteration));
        std::string dir = WriteIndex("property", RandomBarrels(random, serial));
        IndexView before = ViewIndex(dir);
        ASSERT_EQ(CheckIndex(dir), "");
        // A second run merges barrels that came out of merges.
        for (int run = 0; run < 2; ++run) {
            MergeSettings settings = RandomSettings(random);
            RunMerge(dir, settings);
            ASSERT_EQ(CheckIndex(dir), "") << "run " << run;
            IndexView after = ViewIndex(dir);
            ASSERT_EQ(CompareViews(before, after), "") << "run " << run;
            size_t barrels = after.barrels.size();
            ASSERT_GE(barrels, 1u);
            if (settings.strategy == 0) {
                // Nothing is dropped without recycling.
                ASSERT_EQ(after.docs.size(), before.docs.size());
            }
            before = after;
        }
        std::string names;
        for (const std::string& name : ListDir(dir))
            names += name.compare(0, 5, "_mid_") == 0 || name.compare(0, 4, "tmp.") == 0 ? name + " " : "";
        ASSERT_EQ(names, "");
    }
}

} // namespace
