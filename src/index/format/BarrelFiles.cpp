#include "index/format/BarrelFiles.h"

#include <cctype>

#include "utility/Format.h"

namespace cs::index::format {

namespace {
constexpr size_t kTmpLength = sizeof(TMP) - 1;
}

std::string BarrelName(int number) { return utility::Format("_%d", number); }

int BarrelNumber(const std::string& name)
{
    if (name.size() < 2 || name.size() > 10 || name[0] != '_')
        return -1;
    int number = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

std::string BarrelOfFile(const std::string& name)
{
    size_t dot = name.find('.');
    if (dot == std::string::npos || BarrelNumber(name.substr(0, dot)) < 0)
        return std::string();
    return name.substr(0, dot);
}

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
