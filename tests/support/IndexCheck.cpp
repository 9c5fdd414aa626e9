#include "support/IndexCheck.h"

namespace cs::test {

ProcessResult RunIndexCheck(const std::string& indexDir, const std::string& programHome)
{
    std::vector<std::string> argv = {CS_CHECK_PATH, "-q"};
    if (!programHome.empty()) {
        argv.push_back("--home");
        argv.push_back(programHome);
    }
    argv.push_back(indexDir);
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
