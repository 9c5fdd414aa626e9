// Work beside the calling thread: every piece runs once, and what a piece
// raises on any thread reaches the caller after every thread has ended.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "utility/SideTask.h"

namespace {

using cs::utility::CSideTask;
using cs::utility::RunSpread;

TEST(SideTask, RunSpreadRunsEveryPieceOnceWhateverTheHelpers)
{
    for (size_t count : {0u, 1u, 5u, 200u}) {
        for (int helpers : {0, 1, 3}) {
            std::vector<std::atomic<int>> runs(count);
            RunSpread(count, helpers, [&](size_t i) { ++runs[i]; });
            for (size_t i = 0; i < count; ++i)
                EXPECT_EQ(runs[i], 1) << count << " pieces, " << helpers << " helpers, piece " << i;
        }
    }
}

TEST(SideTask, WhatThePieceRaisesReachesTheCaller)
{
    for (int helpers : {0, 3}) {
        std::atomic<int> running{0};
        EXPECT_THROW(RunSpread(50, helpers,
                               [&](size_t i) {
                                   ++running;
                                   if (i == 7)
                                       throw std::runtime_error("piece 7");
                                   --running;
                               }),
                     std::runtime_error);
        // Every thread has ended: only the failed piece is left counted.
        EXPECT_EQ(running, 1) << helpers << " helpers";
    }
    // In place the work raises at once, beside it at wait().
    auto raise = [] { throw std::runtime_error("side"); };
    EXPECT_THROW(CSideTask inPlace(false, raise), std::runtime_error);
    CSideTask beside(true, raise);
    EXPECT_THROW(beside.wait(), std::runtime_error);
}

} // namespace
