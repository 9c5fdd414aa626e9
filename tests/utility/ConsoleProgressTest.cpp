#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/ConsoleProgress.h"

using cs::utility::CConsoleProgress;

namespace {

struct Screen {
    std::vector<std::string> writes;
    int64_t now = 1000;

    CConsoleProgress make(bool active)
    {
        return CConsoleProgress(
            active, [this](const std::string& text) { writes.push_back(text); }, [this] { return now; });
    }
};

} // namespace

TEST(ConsoleProgressTest, SilentWhenNotOnATerminal)
{
    Screen screen;
    {
        CConsoleProgress progress = screen.make(false);
        progress.setUnit("files");
        progress.itemHandled();
        progress.bytesRead(1 << 20);
        progress.barrelWritten();
        progress.mergeDone();
        progress.finish();
    }
    EXPECT_TRUE(screen.writes.empty());
}

TEST(ConsoleProgressTest, RedrawsInPlaceAtMostFourTimesASecond)
{
    Screen screen;
    CConsoleProgress progress = screen.make(true);
    progress.setUnit("files");
    progress.itemHandled();
    ASSERT_EQ(1u, screen.writes.size());
    EXPECT_EQ("\r1 files, 0.0 MB read, 0 files/s, 0 barrels, 0 merges", screen.writes[0]);

    screen.now += 100;
    progress.itemHandled();
    progress.bytesRead(3 * 1024 * 1024 / 2);
    EXPECT_EQ(1u, screen.writes.size()) << "no redraw within 250 ms";

    screen.now += 150;   // 250 ms after the first draw, 3 items in 0.25 s
    progress.itemHandled();
    ASSERT_EQ(2u, screen.writes.size());
    EXPECT_EQ("\r3 files, 1.5 MB read, 12 files/s, 0 barrels, 0 merges", screen.writes[1]);

    // A barrel or a merge shows at once.
    progress.barrelWritten();
    progress.mergeDone();
    ASSERT_EQ(4u, screen.writes.size());
    EXPECT_EQ("\r3 files, 1.5 MB read, 12 files/s, 1 barrel, 1 merge ", screen.writes[3]);
}

TEST(ConsoleProgressTest, ShorterLineBlanksTheRestOfTheLongerOne)
{
    Screen screen;
    CConsoleProgress progress = screen.make(true);
    progress.itemHandled();
    progress.barrelWritten();   // "1 barrel": one character shorter than "0 barrels"
    ASSERT_EQ(2u, screen.writes.size());
    EXPECT_EQ(screen.writes[0].size(), screen.writes[1].size());
    EXPECT_EQ(' ', screen.writes[1].back());
}

TEST(ConsoleProgressTest, FinishEndsTheLineOnce)
{
    Screen screen;
    CConsoleProgress progress = screen.make(true);
    progress.finish();
    EXPECT_TRUE(screen.writes.empty()) << "no line drawn, nothing to end";

    progress.setUnit("records");
    progress.itemHandled();
    screen.now += 10;
    progress.itemHandled();
    progress.finish();
    ASSERT_EQ(3u, screen.writes.size());
    EXPECT_EQ("\r2 records, 0.0 MB read, 200 records/s, 0 barrels, 0 merges", screen.writes[1]);
    EXPECT_EQ("\n", screen.writes[2]);
    progress.finish();
    EXPECT_EQ(3u, screen.writes.size());
}
