// cscheck --repair: a new barrel list for an index whose list does not agree
// with its barrels (CIndexRefusal::listDamage), made of the barrels that
// decode whole (CBarrelChecker) and committed the way a flush commits its
// list. The barrels that do not decode, and the old list, are set aside
// ("damaged." before their names), not removed; the document ranges they held
// are reported as lost. It runs only when the operator asks for it.
#pragma once

#include <string>
#include <vector>

namespace cs::content {
class CContentMode;
}

namespace cs::check {

class CIndexRepair {
public:
    // `pConfiguredMode`: the content mode of the configuration, taken when the
    // list holds none that can be read (not owned; may be null).
    CIndexRepair(const std::string& indexDir, content::CContentMode* pConfiguredMode);

    // Completes what an interrupted run left (as every start of csindexer
    // does), then repairs the list when it is damaged, holding the index's
    // lock (index/IndexLock.h) the while. Returns what was done, one line
    // each: the damage, every barrel kept or lost with its documents, and what
    // the next run does. Failures (a writer holding the lock, a damaged plan,
    // no content mode) raise with nothing changed.
    std::vector<std::string> repair();

private:
    std::string m_dir;
    content::CContentMode* m_pConfiguredMode;
};

} // namespace cs::check
