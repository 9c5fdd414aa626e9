#include "index/IndexSnapshot.h"

#include <set>

#include "index/BarrelsInfo.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Platform.h"
#include "store/PinnedDirectory.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::index {

namespace {

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

// The list and the plan as a reader found them; an absent file reads as "".
// (A list is never empty: an empty one is damage, judged as any other.)
struct CState {
    bool hasList = false;
    std::string list;
    std::string plan;

    bool operator==(const CState& other) const
    {
        return hasList == other.hasList && list == other.list && plan == other.plan;
    }
};

// Read before the files are opened, the list first; after them, the plan
// first. A replacement at any moment between the two reads then shows: as a
// plan still there in the second, or, finished, by the list it renamed.
CState ReadState(const std::string& dir, bool planFirst)
{
    CState state;
    auto readPlan = [&] { utility::ReadFileIfExists(dir + CReplacePlan::FILE_NAME, state.plan); };
    if (planFirst)
        readPlan();
    state.hasList = utility::ReadFileIfExists(dir + CBarrelsInfo::STATUS_FILE, state.list);
    if (!planFirst)
        readPlan();
    return state;
}

} // namespace

CIndexSnapshot::CIndexSnapshot(const std::string& dir, StandingPlan standing, const CSnapshotPatience& patience)
    : m_dir(WithSlash(dir))
{
    const std::string shown = m_dir.substr(0, m_dir.size() - 1);
    std::string firstPlan;
    bool planStood = true;   // the same readable plan at every attempt so far
    for (int attempt = 1;; ++attempt) {
        const bool last = attempt >= patience.attempts;
        const bool takePlan = last && planStood && standing == StandingPlan::TAKE;
        std::string plan;
        Outcome outcome = take(takePlan, plan);
        if (attempt == 1)
            firstPlan = plan;
        planStood = planStood && outcome == Outcome::PLAN && plan == firstPlan;
        if (outcome == Outcome::HELD || (outcome == Outcome::PLAN && takePlan && planStood)) {
            m_attempts = attempt;
            m_besidePlan = outcome == Outcome::PLAN;
            break;
        }
        if (last && planStood)
            CS_THROW("%s: a replacement of index files (%s) stayed unfinished while the index was read %d times; "
                     "when no csindexer runs, the next csindexer run completes it",
                     shown.c_str(), CReplacePlan::FILE_NAME, attempt);
        if (last)
            CS_THROW("%s: the index changed while it was read, %d times in a row", shown.c_str(), attempt);
        platform::SleepMillis(patience.pauseMs);
    }
    if (m_pBarrels->isLoaded()) {
        long long documents = 0, deleted = 0;
        for (size_t i = 0; i < m_pBarrels->size(); ++i) {
            documents += m_pBarrels->getBarrel(i)->getDocCount();
            deleted += m_pBarrels->getBarrel(i)->getDeletedCount();
        }
        CS_LOG_INFO("read the index in %s: %zu barrels, %lld documents, %lld deleted (attempt %d)", shown.c_str(),
                    m_pBarrels->size(), documents, deleted, m_attempts);
    }
}

CIndexSnapshot::~CIndexSnapshot() = default;

CIndexSnapshot::Outcome CIndexSnapshot::take(bool takePlan, std::string& plan)
{
    // What an earlier attempt held is let go.
    m_pDirectory = std::make_unique<store::CPinnedDirectory>(m_dir);
    CState before = ReadState(m_dir, false);
    plan = before.plan;
    // A plan that cannot be carried out is no replacement under way.
    const bool replacing = !plan.empty() && CReplacePlan::damageOf(m_pDirectory.get(), plan).empty();
    if (replacing && !takePlan)
        return Outcome::PLAN;

    m_hasList = before.hasList;
    m_list = before.list;
    m_pBarrels = std::make_unique<CBarrelsInfo>();
    platform::Env().listEntries(m_dir, m_entries);
    bool parsed = false;
    try {
        parsed = m_hasList && m_pBarrels->parse(m_list, m_dir + CBarrelsInfo::STATUS_FILE);
    } catch (const std::exception&) {
        // A number that does not convert: damage() says so.
    }
    std::set<std::string> present;
    for (const platform::DirEntry& entry : m_entries)
        present.insert(entry.name);
    for (size_t i = 0; parsed && i < m_pBarrels->size(); ++i) {
        for (const char* extension : format::BARREL_FILES) {
            std::string name = m_pBarrels->getBarrel(i)->getName() + extension;
            // Gone since the listing: removed by a merge or a rebuild.
            if (present.count(name) && !m_pDirectory->pin(name))
                return Outcome::CHANGED;
        }
    }
    if (!(ReadState(m_dir, true) == before))
        return Outcome::CHANGED;
    return replacing ? Outcome::PLAN : Outcome::HELD;
}

std::string CIndexSnapshot::damage(CIndexRefusal::Use use) const
{
    return CIndexRefusal::listDamage(m_hasList ? &m_list : nullptr, CIndexRefusal::barrelFilesOf(m_entries), use);
}

store::CDirectory& CIndexSnapshot::directory() const { return *m_pDirectory; }

} // namespace cs::index
