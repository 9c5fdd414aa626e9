// Runs the index checker, cscheck, as a process. Crash tests call it after
// every kill and the recovery that follows: whatever a cut-off run leaves,
// the next start must turn it into a sound index.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace cs::test {

// cscheck -q --home programHome indexDir; without a program home, markers
// are not looked for (an empty home is given).
ProcessResult RunIndexCheck(const std::string& indexDir, const std::string& programHome = std::string());

// Expects cscheck to find the index sound, and gives its report otherwise.
::testing::AssertionResult IndexIsSound(const std::string& indexDir, const std::string& programHome = std::string());

} // namespace cs::test
