#include "collect/DirRunSummary.h"

#include "utility/Format.h"

namespace cs::collection {

std::string CDirRunSummary::text() const
{
    using utility::Format;
    auto count = [](uint64_t value) { return static_cast<unsigned long long>(value); };
    uint64_t droppedAll = 0;
    std::string reasons;
    for (int reason = 0; reason < static_cast<int>(content::DropReason::COUNT); ++reason) {
        if (dropped[reason] == 0)
            continue;
        droppedAll += dropped[reason];
        reasons += Format("%s%llu %s", reasons.empty() ? "" : ", ", count(dropped[reason]),
                          content::DropReasonText(static_cast<content::DropReason>(reason)));
    }
    std::string text = Format("%llu files seen, %llu indexed, %llu unchanged, %llu updated, %llu removed, %llu dropped",
                              count(seen), count(indexed), count(unchanged), count(updated), count(removed),
                              count(droppedAll));
    if (!reasons.empty())
        text += " (" + reasons + ")";
    if (kept > 0)
        text += Format(", %llu kept below directories that could not be listed", count(kept));
    return text;
}

} // namespace cs::collection
