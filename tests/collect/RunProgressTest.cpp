// The progress figure behind the status line of index.run, and the numbers of
// the state files and rows.
#include <cmath>

#include <gtest/gtest.h>

#include "collect/DecimalText.h"
#include "collect/RunProgress.h"
#include "support/TestSupport.h"

using namespace cs::test;
using cs::collection::CRunProgress;

TEST(RunProgress, GeometricMeanOfTableStartAndRunningFraction)
{
    CRunProgress progress;
    progress.start(2);
    progress.beginTable(4);
    // s is 0 within the first table: the figure stays 0 until it ends.
    progress.recordHandled();
    EXPECT_FLOAT_EQ(progress.figure(), 0.0f);
    for (int i = 0; i < 10; ++i)   // more rows than counted: capped at the table's share
        progress.recordHandled();
    progress.endTable();
    EXPECT_FLOAT_EQ(progress.figure(), 50.0f);
    progress.beginTable(2);
    progress.recordHandled();
    EXPECT_NEAR(progress.figure(), 100.0f * std::sqrt(0.5f * 0.75f), 1e-3);
    progress.recordHandled();
    progress.endTable();
    EXPECT_FLOAT_EQ(progress.figure(), 100.0f);
    EXPECT_EQ(progress.percent(), 100);

    CRunProgress empty;
    empty.start(0);
    EXPECT_FLOAT_EQ(empty.figure(), 0.0f);
}

TEST(RunProgress, FigureOverwritesItselfBehindTheStatusLine)
{
    std::string path = MakeTempDir("progress") + "/index.run";
    WriteFile(path, "indexing sample\n");
    CRunProgress progress;
    progress.open(path);
    progress.start(1);
    progress.beginTable(0);   // an empty table still ends
    progress.write();
    EXPECT_EQ(ReadFile(path), "indexing sample\n0.00%");
    progress.endTable();
    progress.write();
    EXPECT_EQ(ReadFile(path), "indexing sample\n100.00%");

    CRunProgress closed;
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { closed.write(); }), "INVALID OPERATION: m_status.fp_run != NULL");
}

TEST(DecimalText, StrictNumbersAndColumnValues)
{
    uint32_t value = 5;
    EXPECT_TRUE(cs::collection::ParseDecimal(" 42\n", value));
    EXPECT_EQ(value, 42u);
    EXPECT_TRUE(cs::collection::ParseDecimal("4294967295", value));
    EXPECT_EQ(value, 4294967295u);
    for (const char* bad : {"", " ", "4294967296", "-1", "12a", "1 2", "+3", "0x10"}) {
        value = 7;
        EXPECT_FALSE(cs::collection::ParseDecimal(bad, value)) << bad;
        EXPECT_EQ(value, 7u) << bad;
    }
    EXPECT_EQ(cs::collection::ColumnNumber("3858868786"), 3858868786u);
    EXPECT_EQ(cs::collection::ColumnNumber("-436098510"), 3858868786u);
    EXPECT_EQ(cs::collection::ColumnNumber(""), 0u);
    EXPECT_EQ(cs::collection::ColumnNumber("abc"), 0u);
}
