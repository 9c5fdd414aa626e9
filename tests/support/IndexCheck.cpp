#include "support/IndexCheck.h"

namespace cs::test {

ProcessResult RunIndexCheck(const std::string& indexDir, const std::string& programHome)
{
    // Without a home of its own, cscheck would look at the build directory,
    // where other tests' runs come and go.
    std::string home = programHome.empty() ? MakeTempDir("cscheck-home") : programHome;
    std::vector<std::string> argv = {CS_CHECK_PATH, "-q", "--home", home, indexDir};
    return RunProcess(argv);
}

::testing::AssertionResult IndexIsSound(const std::string& indexDir, const std::string& programHome)
{
    ProcessResult result = RunIndexCheck(indexDir, programHome);
    if (result.exitCode == 0 && result.out.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cscheck exit code " << result.exitCode << "\n" << result.out << result.err;
}

} // namespace cs::test
