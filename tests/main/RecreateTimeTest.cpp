#include <gtest/gtest.h>

#include "RecreateTime.h"
#include "RunDriver.h"
#include "support/TestSupport.h"

using namespace cs::driver;
using cs::test::CGlobalConfigScope;

namespace {

std::tm At(int weekday, int hour, int minute = 0)
{
    std::tm when{};
    when.tm_wday = weekday;
    when.tm_hour = hour;
    when.tm_min = minute;
    return when;
}

void ExpectClock(const std::string& text, int hour, int minute)
{
    RecreateClock clock = ParseAdjustTime(text);
    EXPECT_EQ(clock.hour, hour) << text;
    EXPECT_EQ(clock.minute, minute) << text;
}

} // namespace

TEST(RecreateTime, AdjustTimeParsing)
{
    ExpectClock("04:15:00", 4, 15);
    ExpectClock("23:59:59", 23, 59);
    ExpectClock(" 8:09:00", 8, 9);
    ExpectClock("25:10:00", 0, 10);   // hour out of range
    ExpectClock("-1:05:00", 0, 5);
    ExpectClock("12:60:00", 12, 30);  // minute out of range
    ExpectClock("ab:cd:ef", 0, 30);
    ExpectClock("7", 0, 30);          // no colon
    ExpectClock("7:15", 0, 30);       // one colon only
    ExpectClock("", 0, 30);
    ExpectClock("6::", 6, 30);
}

TEST(RecreateTime, WeekdayAndHourMatchTheMinuteDoesNot)
{
    CGlobalConfigScope scope("<index><weekday>3</weekday><adjusttime>04:15:00</adjusttime></index>");
    EXPECT_TRUE(IsRecreateTime(At(3, 4, 0)));
    EXPECT_TRUE(IsRecreateTime(At(3, 4, 59)));
    EXPECT_FALSE(IsRecreateTime(At(3, 5, 15)));
    EXPECT_FALSE(IsRecreateTime(At(2, 4, 15)));
}

TEST(RecreateTime, MissingTimeIsHalfPastMidnightOnSaturday)
{
    CGlobalConfigScope scope("");   // weekday 6, adjusttime 00:30:00
    EXPECT_TRUE(IsRecreateTime(At(6, 0)));
    EXPECT_FALSE(IsRecreateTime(At(0, 0)));
}

TEST(RecreateTime, RebuildNeedsSizeShareOfDeletionsAndTime)
{
    CGlobalConfigScope scope("<index><weekday>0</weekday><adjusttime>02:00:00</adjusttime></index>"
                             "<recreate><records>10000000</records><delpercent>50</delpercent></recreate>");
    EXPECT_TRUE(RecreateDue(10000000, 5000000, At(0, 2)));
    EXPECT_FALSE(RecreateDue(10000000, 5000000, At(0, 3)));   // outside the hour
    EXPECT_FALSE(RecreateDue(9999999, 5000000, At(0, 2)));    // one document too few
    EXPECT_FALSE(RecreateDue(10000000, 4999999, At(0, 2)));   // 49 %
    EXPECT_TRUE(RecreateDue(4000000000u, 2000000000u, At(0, 2)));   // no overflow of deleted * 100
}

TEST(RecreateTime, EmptyIndexIsNeverRebuilt)
{
    CGlobalConfigScope scope("<index><weekday>0</weekday><adjusttime>02:00:00</adjusttime></index>"
                             "<recreate><records>0</records><delpercent>1</delpercent></recreate>");
    EXPECT_FALSE(RecreateDue(0, 0, At(0, 2)));
    EXPECT_TRUE(RecreateDue(1, 1, At(0, 2)));
}
