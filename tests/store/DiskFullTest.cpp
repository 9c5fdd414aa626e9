// An index file that cannot be written for want of space ends the process
// through the fatal report, before anything could take the file as complete.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/EnvScope.h"
#include "store/SyncOStream.h"
#include "support/FullDiskEnv.h"
#include "support/TestSupport.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace {

const char* const kCommitted = "stream closed and committed";

// Runs the child test below in a copy of this program placed in `dir`, so
// that its fatal report lands in `dir` too. The target's directory is a disk
// that holds `capacity` bytes.
cs::test::ProcessResult RunWriter(const std::string& dir, const std::string& target, int bytes, int capacity,
                                  bool behind = false)
{
    std::string program = dir + "/writer";
    std::error_code error;
    std::filesystem::create_hard_link(cs::utility::GetAppFilePath(), program, error);
    if (error)
        std::filesystem::copy_file(cs::utility::GetAppFilePath(), program);
    return cs::test::RunProcess(
        {program, "--gtest_also_run_disabled_tests", "--gtest_filter=DISABLED_DiskFullChild.Write"}, dir,
        {"TMPDIR=" + dir, "CS_FULL_TARGET=" + target, "CS_FULL_BYTES=" + std::to_string(bytes),
         "CS_FULL_CAPACITY=" + std::to_string(capacity), std::string("CS_FULL_BEHIND=") + (behind ? "1" : "0")});
}

std::string LackOfSpaceText()
{
    auto& resources = cs::utility::CStringResource::instance();
    EXPECT_TRUE(resources.load(cs::test::TestRoot() + "/strres.xml"));
    return resources.get("IDR_LACK_DISKSPACE");
}

void ExpectFatalReport(const cs::test::ProcessResult& result, const std::string& dir)
{
    std::string text = LackOfSpaceText();
    EXPECT_EQ(result.exitCode, 3) << result.out << result.err;
    EXPECT_EQ(result.err, text + "\n");
    EXPECT_EQ(cs::test::ReadFile(dir + "/errorreport.txt"), text);
    EXPECT_EQ(result.out.find(kCommitted), std::string::npos);
}

} // namespace

// Run only as the child of the tests below.
TEST(DISABLED_DiskFullChild, Write)
{
    ASSERT_TRUE(cs::utility::CStringResource::instance().load(cs::test::TestRoot() + "/strres.xml"));
    const char* target = std::getenv("CS_FULL_TARGET");
    const char* bytes = std::getenv("CS_FULL_BYTES");
    const char* capacity = std::getenv("CS_FULL_CAPACITY");
    ASSERT_TRUE(target && bytes && capacity);
    std::string disk(target);
    cs::test::CFullDiskEnv fullDisk(disk.substr(0, disk.rfind('/')), std::atoi(capacity));
    cs::platform::CEnvScope scope(fullDisk);
    cs::store::CSyncOStream out(target);
    const char* behind = std::getenv("CS_FULL_BEHIND");
    if (behind && std::string(behind) == "1")
        out.writeBehind();   // the failure is met on the writing thread, reported on this one
    std::string piece(1000, 'p');
    for (int left = std::atoi(bytes); left > 0; left -= 1000)
        out.writeBytes(piece.data(), std::min(left, 1000));
    out.close();
    std::printf("%s\n", kCommitted);
}

TEST(DiskFull, WritingPastTheSpaceEndsTheProcess)
{
    const int bytes = 256 * 1024;
    for (bool behind : {false, true}) {
        std::string dir = cs::test::MakeTempDir("diskfull");
        std::string target = cs::test::MakeTempDir("fulldisk") + "/_0.did";
        ExpectFatalReport(RunWriter(dir, target, bytes, 64 * 1024, behind), dir);
        EXPECT_LT(std::filesystem::file_size(target), static_cast<uintmax_t>(bytes)) << "written behind: " << behind;
    }
}

TEST(DiskFull, CloseOnAFullDiskEndsTheProcessBeforeTheCommit)
{
    std::string dir = cs::test::MakeTempDir("diskfull");
    std::string target = cs::test::MakeTempDir("fulldisk") + "/_0.tid";
    // Small enough to stay in the buffer until close.
    ExpectFatalReport(RunWriter(dir, target, 100, 0), dir);
    EXPECT_EQ(std::filesystem::file_size(target), 0u);
}
