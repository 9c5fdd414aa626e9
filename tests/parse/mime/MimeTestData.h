// Mail files of the test data for the MIME tests.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace cs::test {

inline std::string MimeDataDir(const std::string& folder)
{
    return std::string(CS_TEST_DATA_DIR) + "/mime/" + folder;
}

// The file's bytes in a heap block of exactly their size, so that a read
// past the end trips the address sanitizer (the parser gets no terminator).
inline std::vector<char> ReadMail(const std::string& path)
{
    std::string text = ReadFile(path);
    return std::vector<char>(text.begin(), text.end());
}

inline std::vector<char> ReadCorpusMail(const std::string& name)
{
    return ReadMail(MimeDataDir("corpus") + "/" + name);
}

} // namespace cs::test
