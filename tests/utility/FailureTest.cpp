#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "utility/Failure.h"
#include "utility/OsUtility.h"

using cs::utility::FailureText;

TEST(Failure, TextNamesWhatTheSubjectAndTheReason)
{
    EXPECT_EQ(FailureText("failed to create index.run", "/x/index.run", "Permission denied"),
              "failed to create index.run: /x/index.run (Permission denied)");
    EXPECT_EQ(FailureText("collection name is error", "actvity"), "collection name is error: actvity");
    EXPECT_EQ(FailureText("no query", ""), "no query");
}

TEST(Failure, SaysOneLineOnStandardErrorAndTheSameTextInTheLog)
{
    cs::test::CLogCapture log;
    ::testing::internal::CaptureStderr();
    cs::utility::SayFailure("first\nsecond\n");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, cs::utility::GetAppFileName() + ": first second\n");
    EXPECT_TRUE(log.logged("ERROR", "FailureTest.cpp:"));   // where it was said
    EXPECT_TRUE(log.logged("ERROR", "first"));
    EXPECT_TRUE(log.contains("first\nsecond\n"));
}

TEST(Failure, ALineAloneLeavesTheLogAlone)
{
    cs::test::CLogCapture log;
    ::testing::internal::CaptureStderr();
    cs::utility::SayLine("merged");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), cs::utility::GetAppFileName() + ": merged\n");
    EXPECT_EQ(log.text(), "");
}

TEST(Failure, ExitEndsTheProcessWithTheCodeAfterTheLine)
{
    EXPECT_EXIT(cs::utility::ExitWithFailure(4, "no way on"), ::testing::ExitedWithCode(4), ": no way on\n$");
}
