#include "index/merge/HTIndexMerger.h"

#include <cmath>

#include "utility/Error.h"

namespace cs::index {

CHTIndexMerger::CHTIndexMerger(store::CDirectory* pDir) : CIndexMerger(pDir) {}

CHTIndexMerger::~CHTIndexMerger() { endMerge(); }

void CHTIndexMerger::setParam(int m, int c, int s)
{
    m_m = m;
    // A level of one barrel would merge that barrel alone, again each time it came back.
    m_c = c < 2 ? 2 : c;
    m_s = s;
}

int CHTIndexMerger::scaledSize(uint32_t docCount) const
{
    // Without a positive divisor the document count itself is the size.
    double divisor = m_s > 0 ? m_s : 1;
    double scaled = std::trunc(docCount / divisor + 0.5);
    return scaled > INT32_MAX ? INT32_MAX : static_cast<int>(scaled);
}

int CHTIndexMerger::levelOf(int scaled) const
{
    if (scaled <= 0)
        return 0;
    // Compared in floating point: m^i soon leaves the range of a 32-bit integer.
    int level = 0;
    for (int i = 0; i <= 31; ++i) {
        if (std::pow(static_cast<double>(m_m), i) <= scaled)
            level = i;
    }
    return level;
}

void CHTIndexMerger::addBarrel(CMergeBarrelEntity* pEntity)
{
    std::unique_ptr<CMergeBarrelEntity> pOwned(pEntity);
    CS_ASSERT_ARG(pOwned);
    m_scaledSize = scaledSize(static_cast<uint32_t>(pOwned->getBarrelInfo()->getDocCount()));
    int level = levelOf(m_scaledSize);
    auto found = m_levels.find(level);
    if (found == m_levels.end()) {
        auto pLevel = std::make_unique<CMergeLevel>(level, m_c * 5);
        pLevel->m_levelSize = m_scaledSize;
        pLevel->m_pQueue->put(pOwned.get());
        pOwned.release();
        m_levels.emplace(level, std::move(pLevel));
        return;
    }
    CMergeLevel& target = *found->second;
    target.m_levelSize += m_scaledSize;
    target.m_pQueue->put(pOwned.get());
    pOwned.release();
    if (target.m_pQueue->size() >= m_c)
        mergeLevel(level);
}

void CHTIndexMerger::moveEntities(CMergeLevel& from, CMergeLevel& to)
{
    while (from.m_pQueue->size() > 0) {
        std::unique_ptr<CMergeBarrelEntity> pEntity(from.m_pQueue->pop());
        to.m_pQueue->put(pEntity.get());
        pEntity.release();
    }
    to.m_levelSize += from.m_levelSize;
    from.m_levelSize = 0;
}

void CHTIndexMerger::mergeLevel(int level)
{
    CMergeLevel* p = m_levels.at(level).get();
    // A level grown past its range is carried up while the levels above are nearly full.
    if (levelOf(p->m_levelSize) > level) {
        for (int step = 0, next = level + 1; step < MAX_CASCADE; ++step, ++next) {
            auto found = m_levels.find(next);
            if (found == m_levels.end() || found->second->m_pQueue->size() < m_c - 1)
                break;
            moveEntities(*p, *found->second);
            p = found->second.get();
            if (levelOf(p->m_levelSize) < next + 1)
                break;
        }
    }
    if (recyclable(p->m_pQueue.get())) {
        for (auto& [number, pOther] : m_levels) {
            CMergeLevel& q = *pOther;
            if (&q == p || q.m_levelSize <= 0 || !recyclable(q.m_pQueue.get()) ||
                q.m_pQueue->size() + p->m_pQueue->size() > m_c * 5)
                continue;
            moveEntities(q, *p);
        }
    }
    p->m_levelSize = 0;
    mergeBarrel(p->m_pQueue.get());
    ++p->m_mergeCounter;
    p->m_pQueue->setName(CMergeLevel::queueName(p->m_level, p->m_mergeCounter));
}

void CHTIndexMerger::endMerge() { m_levels.clear(); }

} // namespace cs::index
