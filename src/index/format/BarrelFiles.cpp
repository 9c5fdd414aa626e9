#include "index/format/BarrelFiles.h"

#include "utility/Format.h"

namespace cs::index::format {

namespace {
constexpr size_t kTmpLength = sizeof(TMP) - 1;
}

std::string BarrelName(int number) { return utility::Format("_%d", number); }

std::string MergingBarrelName(int level, int counter)
{
    return utility::Format("%s%d_%d_", MERGING_PREFIX, level, counter);
}

std::string TmpPattern() { return std::string("*") + TMP; }

std::string TmpName(const std::string& name) { return name + TMP; }

bool IsTmpName(const std::string& name)
{
    return name.size() >= kTmpLength && name.compare(name.size() - kTmpLength, kTmpLength, TMP) == 0;
}

std::string FinalName(const std::string& tmpName) { return tmpName.substr(0, tmpName.size() - kTmpLength); }

} // namespace cs::index::format
