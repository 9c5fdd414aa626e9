#include "index/merge/MergeBarrelQueue.h"

namespace cs::index {

CMergeBarrelQueue::CMergeBarrelQueue(const std::string& name, int maxSize) : m_name(name) { initialize(maxSize); }

bool CMergeBarrelQueue::lessThan(CMergeBarrelEntity* a, CMergeBarrelEntity* b)
{
    return a->getBarrelInfo()->getDocCount() < b->getBarrelInfo()->getDocCount();
}

} // namespace cs::index
