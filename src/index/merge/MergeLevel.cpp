#include "index/merge/MergeLevel.h"

#include "index/format/BarrelFiles.h"

namespace cs::index {

CMergeLevel::CMergeLevel(int level, int capacity)
    : m_level(level), m_pQueue(std::make_unique<CMergeBarrelQueue>(queueName(level, 0), capacity))
{
}

std::string CMergeLevel::queueName(int level, int counter) { return format::MergingBarrelName(level, counter); }

} // namespace cs::index
