#include "index/DocumentMap.h"

#include <algorithm>

namespace cs::index {

void CDocumentMap::addRun(int32_t first, int32_t count, int32_t newFirst)
{
    if (count <= 0)
        return;
    Run run{first, count, newFirst};
    auto at = std::upper_bound(m_runs.begin(), m_runs.end(), first,
                               [](int32_t doc, const Run& other) { return doc < other.first; });
    m_runs.insert(at, run);
}

int32_t CDocumentMap::map(int32_t doc) const
{
    auto after = std::upper_bound(m_runs.begin(), m_runs.end(), doc,
                                  [](int32_t value, const Run& run) { return value < run.first; });
    if (after == m_runs.begin())
        return -1;
    const Run& run = *(after - 1);
    return doc < run.first + run.count ? run.newFirst + (doc - run.first) : -1;
}

bool CDocumentMap::changesAnything() const
{
    int32_t next = 0;   // documents are numbered from 0 without gaps
    for (const Run& run : m_runs) {
        if (run.first != next || run.newFirst != run.first)
            return true;
        next = run.first + run.count;
    }
    return false;
}

} // namespace cs::index
