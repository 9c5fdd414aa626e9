#include "index/format/BarrelFiles.h"

namespace cs::index::format {

namespace {
constexpr size_t kTmpLength = sizeof(TMP) - 1;
}

std::string TmpPattern() { return std::string("*") + TMP; }

std::string TmpName(const std::string& name) { return name + TMP; }

bool IsTmpName(const std::string& name)
{
    return name.size() >= kTmpLength && name.compare(name.size() - kTmpLength, kTmpLength, TMP) == 0;
}

std::string FinalName(const std::string& tmpName) { return tmpName.substr(0, tmpName.size() - kTmpLength); }

} // namespace cs::index::format
