#include <gtest/gtest.h>

#include <vector>

#include "IndexMemory.h"
#include "support/TestSupport.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

using namespace cs::driver;
using cs::test::CGlobalConfigScope;
using cs::test::CLogCapture;

namespace {

const size_t kMiB = 1048576;
std::vector<size_t> g_attempts;

// A machine that can give 180 MiB at most.
bool Limited(size_t size)
{
    g_attempts.push_back(size);
    return size <= 180 * kMiB;
}

bool Always(size_t size)
{
    g_attempts.push_back(size);
    return true;
}

bool Never(size_t size)
{
    g_attempts.push_back(size);
    return false;
}

class IndexMemory : public ::testing::Test {
protected:
    void SetUp() override { g_attempts.clear(); }
    void TearDown() override { SetMemoryProbe(m_previous); }
    void Use(MemoryProbe probe) { m_previous = SetMemoryProbe(probe); }

private:
    MemoryProbe m_previous = nullptr;
};

} // namespace

TEST_F(IndexMemory, StepsDownBy50MiBUntilABlockCanBeHad)
{
    Use(Limited);
    uint32_t reserved = 0;
    ASSERT_TRUE(ProbeIndexMemory(300 * kMiB, reserved));
    EXPECT_EQ(reserved, 150 * kMiB);
    EXPECT_EQ(g_attempts, (std::vector<size_t>{300 * kMiB, 250 * kMiB, 200 * kMiB, 150 * kMiB}));
}

TEST_F(IndexMemory, SizesOf50MiBOrLessAreNeverTriedAfterTheFirst)
{
    Use(Never);
    uint32_t reserved = 0;
    EXPECT_FALSE(ProbeIndexMemory(100 * kMiB, reserved));
    EXPECT_EQ(g_attempts, std::vector<size_t>{100 * kMiB});

    g_attempts.clear();
    EXPECT_FALSE(ProbeIndexMemory(100 * kMiB + 1, reserved));
    EXPECT_EQ(g_attempts, (std::vector<size_t>{100 * kMiB + 1, 50 * kMiB + 1}));

    g_attempts.clear();
    EXPECT_FALSE(ProbeIndexMemory(10 * kMiB, reserved));
    EXPECT_EQ(g_attempts, std::vector<size_t>{10 * kMiB});
}

TEST_F(IndexMemory, AllocateTakesTheConfiguredSizeAndLogsWhatItGot)
{
    Use(Limited);
    CGlobalConfigScope scope("<index><memory>314572800</memory></index>");
    CLogCapture log;
    EXPECT_EQ(AllocateIndexMemory(), 150 * kMiB);
    EXPECT_TRUE(log.logged("INFO", "allocate 157286400 index memory"));
    // The process-wide cache is published with what was obtained.
    ASSERT_NE(cs::utility::GetIndexMemoryCache(), nullptr);
    EXPECT_EQ(cs::utility::GetIndexMemoryCache()->firstBlockSize(), 150 * kMiB);
    EXPECT_EQ(cs::utility::GetIndexMemoryCache()->overflowBlocks(), 0);
}

TEST_F(IndexMemory, ABudgetAboveTheLargestCacheBlockStartsAt2GiB)
{
    Use(Always);
    CGlobalConfigScope scope("<index><memory>3221225472</memory></index>");
    EXPECT_EQ(AllocateIndexMemory(), 2048 * kMiB);
    EXPECT_EQ(g_attempts, std::vector<size_t>{2048 * kMiB});
    EXPECT_EQ(cs::utility::GetIndexMemoryCache()->firstBlockSize(), 2048 * kMiB);
    cs::utility::CreateIndexMemoryCache(kMiB);   // give the address space back
}

TEST_F(IndexMemory, NothingObtainableEndsWithTheLackOfMemoryReport)
{
    ASSERT_TRUE(cs::utility::CStringResource::instance().load(cs::test::TestRoot() + "/strres.xml"));
    Use(Never);
    CGlobalConfigScope scope("<index><memory>100000000</memory></index>");
    std::string report = cs::utility::GetAppDir() + "errorreport.txt";
    std::string text = "not enough memory for the index cache: 95 MiB configured in /config/index/memory";
    EXPECT_EXIT(AllocateIndexMemory(), ::testing::ExitedWithCode(3), "^" + text + "\n$");
    EXPECT_EQ(cs::test::ReadFile(report), text);
    std::remove(report.c_str());
}
