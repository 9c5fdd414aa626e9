// Barrels waiting to be merged together, smallest document count first,
// with the name of the barrel that merging them will produce.
#pragma once

#include <string>

#include "index/merge/MergeBarrelEntity.h"
#include "utility/PriorityQueue.h"

namespace cs::index {

class CMergeBarrelQueue : public utility::CPriorityQueue<CMergeBarrelEntity*> {
public:
    CMergeBarrelQueue(const std::string& name, int maxSize);

    const std::string& getName() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }

protected:
    bool lessThan(CMergeBarrelEntity* a, CMergeBarrelEntity* b) override;

private:
    std::string m_name;
};

} // namespace cs::index
