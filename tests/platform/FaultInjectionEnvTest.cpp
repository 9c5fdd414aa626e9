// The fault-injection environment on a real directory: which change fails,
// with what error, and what the others do.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "support/FaultInjectionEnv.h"
#include "support/TestSupport.h"

using cs::test::CFaultInjectionEnv;

TEST(FaultInjectionEnv, TheChosenChangeFailsAndAPowerCutFailsEveryLaterOne)
{
    using Fault = CFaultInjectionEnv::Fault;
    const struct {
        Fault fault;
        int error;
        std::vector<bool> removed;   // of the three removals
    } cases[] = {
        {Fault::NONE, 0, {true, true, true}},
        {Fault::NO_SPACE, ENOSPC, {true, false, true}},
        {Fault::IO_ERROR, EIO, {true, false, true}},
        {Fault::POWER_CUT, EIO, {true, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        std::string dir = cs::test::MakeTempDir("faults");
        std::string beside = cs::test::MakeTempDir("beside") + "/file";
        CFaultInjectionEnv env(dir, c.fault, 2);
        std::vector<bool> removed;
        for (const char* name : {"/a", "/b", "/c"}) {
            cs::test::WriteFile(dir + name, name);
            // Outside the directory nothing is counted or fails.
            cs::test::WriteFile(beside, "beside");
            EXPECT_TRUE(env.removeFile(beside));
            removed.push_back(env.removeFile(dir + name));
            if (!removed.back()) {
                EXPECT_EQ(cs::platform::LastErrorCode(), c.error);
            }
            // Reads are not changes.
            EXPECT_NE(env.pathAccessible(dir + name), removed.back());
        }
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(env.changes(), 3);
        EXPECT_EQ(env.struck(), c.fault != Fault::NONE);
    }
}
