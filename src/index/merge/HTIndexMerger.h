// The size-tiered merge policy: barrels are sorted into levels by their
// scaled document count (level i holds sizes from m^i up to m^(i+1)); a level
// that gathers c barrels is merged into one, which joins the level of its own
// size. With recycling, levels carrying enough deleted documents are
// gathered into one merge that drops them.
#pragma once

#include <map>
#include <memory>

#include "index/merge/IndexMerger.h"
#include "index/merge/MergeLevel.h"

namespace cs::index {

class CHTIndexMerger : public CIndexMerger {
public:
    // The longest cascade of a full level into the levels above it.
    static constexpr int MAX_CASCADE = 6;

    explicit CHTIndexMerger(store::CDirectory* pDir);
    ~CHTIndexMerger() override;

    void addBarrel(CMergeBarrelEntity* pEntity) override;
    void endMerge() override;
    // Base of the level scale, barrels that fill a level, document-count divisor.
    void setParam(int m, int c, int s) override;

    // The level of a scaled size.
    int levelOf(int scaled) const;
    // The scaled size of a barrel of `docCount` documents.
    int scaledSize(uint32_t docCount) const;

private:
    void mergeLevel(int level);
    void moveEntities(CMergeLevel& from, CMergeLevel& to);

    int m_m = 3;
    int m_s = 1;
    int m_c = 2;
    int m_scaledSize = 0;
    std::map<int, std::unique_ptr<CMergeLevel>> m_levels;
};

} // namespace cs::index
