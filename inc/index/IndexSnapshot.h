// An index directory as a reader sees it while a csindexer run may change it:
// the barrel list and every file of the barrels it names, all of one moment.
// A writer commits a flush, a merge or a rebuild with a replacement plan
// (index.plan) that renames the new files into place, the new list among them,
// and removes merged-away barrels. So the list is read, every file of its
// barrels is opened (an open descriptor keeps a file readable after it is
// removed), and the list and the plan are read again: the files are the
// list's when neither changed and no plan was under way. Otherwise everything
// is let go and the view taken again after a pause, a bounded number of times.
// Both cssearch and cscheck read an index through this view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "index/IndexRefusal.h"
#include "platform/Env.h"

namespace cs::store {
class CDirectory;
class CPinnedDirectory;
}

namespace cs::index {

class CBarrelsInfo;

// How often a reader takes the view of an index before it gives up, and the
// pause between two tries.
struct CSnapshotPatience {
    int attempts = 500;
    int pauseMs = 10;
};

class CIndexSnapshot {
public:
    // What a readable plan that stands, the same, through every attempt makes
    // of the view (a run cut off in a replacement leaves one until the next
    // run completes it): a search refuses the files beside it, a check takes
    // them as they stand and reports the plan.
    enum class StandingPlan { REFUSE, TAKE };

    // Takes the view of `dir`, which must be a directory. Raises "<dir>: the
    // index changed while it was read, N times in a row" when no attempt of
    // the bound found it unchanged, and a text of its own when a plan stood.
    explicit CIndexSnapshot(const std::string& dir, StandingPlan standing = StandingPlan::REFUSE,
                            const CSnapshotPatience& patience = CSnapshotPatience());
    ~CIndexSnapshot();
    CIndexSnapshot(const CIndexSnapshot&) = delete;
    CIndexSnapshot& operator=(const CIndexSnapshot&) = delete;

    // Whether there was a barrel list.
    bool hasList() const { return m_hasList; }
    // What is wrong with the list as it was read (CIndexRefusal::listDamage),
    // or an empty text.
    std::string damage(CIndexRefusal::Use use) const;
    // The list read; not loaded when it does not parse.
    const CBarrelsInfo& barrels() const { return *m_pBarrels; }
    // The files of the listed barrels as they were opened, for reading only.
    store::CDirectory& directory() const;
    // Every entry of the index directory, listed while the view was taken.
    const std::vector<platform::DirEntry>& entries() const { return m_entries; }
    // Whether the view was taken beside a standing plan (StandingPlan::TAKE).
    bool besidePlan() const { return m_besidePlan; }
    // The attempts it took.
    int attempts() const { return m_attempts; }

private:
    enum class Outcome { HELD, CHANGED, PLAN };
    // One attempt; `plan` receives the plan as it was read first, "" for none.
    Outcome take(bool takePlan, std::string& plan);

    std::string m_dir;   // with a final '/'
    bool m_hasList = false;
    std::string m_list;
    std::unique_ptr<CBarrelsInfo> m_pBarrels;
    std::unique_ptr<store::CPinnedDirectory> m_pDirectory;
    std::vector<platform::DirEntry> m_entries;
    bool m_besidePlan = false;
    int m_attempts = 0;
};

} // namespace cs::index
