// One level of the size-tiered merge policy: the barrels gathered on it
// since its last merge and the sum of their scaled sizes.
#pragma once

#include <memory>

#include "index/merge/MergeBarrelQueue.h"

namespace cs::index {

class CMergeLevel {
public:
    // The queue holds at most `capacity` barrels and is named for the level's first merge.
    CMergeLevel(int level, int capacity);

    // "_mid_<level>_<merge counter>_": the barrel the next merge of the level makes.
    static std::string queueName(int level, int counter);

    int m_level;
    std::unique_ptr<CMergeBarrelQueue> m_pQueue;
    int m_mergeCounter = 0;
    int m_levelSize = 0;
};

} // namespace cs::index
