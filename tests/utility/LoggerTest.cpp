#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestSupport.h"
#include "utility/Logger.h"

using cs::test::CLogCapture;
using cs::utility::CLogLocation;
using cs::utility::LogInfo;

namespace {

const char kSource[] = "Source.cpp";

// Length of the header of a line logged from kSource, line 7.
size_t HeaderLength() { return std::string("hh:mm:ss INFO  Source.cpp:7    ").size(); }

} // namespace

TEST(Logger, LineCarriesTimeLevelLocationAndPaddedLine)
{
    CLogCapture log;
    LogInfo(CLogLocation(kSource, 7), "value %d", 42);
    std::string text = log.text();
    ASSERT_EQ(text.size(), HeaderLength() + 9);
    EXPECT_EQ(text.substr(8), " INFO  Source.cpp:7    value 42\n");
    EXPECT_EQ(text[2], ':');
    EXPECT_EQ(text[5], ':');
}

TEST(Logger, LocationIsTheBaseNameOfTheSourceFile)
{
    // Every way a call site can name its file gives the file's base name,
    // the program's own call sites among them.
    for (const char* file : {"Source.cpp", "src/utility/Source.cpp", "/abs/path/Source.cpp"}) {
        CLogCapture log;
        LogInfo(CLogLocation(file, 7), "value");
        EXPECT_EQ(log.text().substr(8), " INFO  Source.cpp:7    value\n") << file;
    }
    CLogCapture log;
    CS_LOG_INFO("from the macro");
    EXPECT_NE(log.text().find(" INFO  LoggerTest.cpp:"), std::string::npos) << log.text();
}

TEST(Logger, LineOf4095CharactersIsWritten)
{
    CLogCapture log;
    std::string message(4095 - HeaderLength(), 'm');
    LogInfo(CLogLocation(kSource, 7), "%s", message.c_str());
    EXPECT_EQ(log.text().size(), 4096u);   // with its line feed
}

TEST(Logger, LineOf4096CharactersEndsTheProcess)
{
    std::string message(4096 - HeaderLength(), 'm');
    EXPECT_EXIT(LogInfo(CLogLocation(kSource, 7), "%s", message.c_str()), ::testing::ExitedWithCode(1),
                "^logger: log info too long\n$");
}
