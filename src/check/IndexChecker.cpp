#include "check/IndexChecker.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "check/BarrelChecker.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/Index.h"
#include "index/IndexLock.h"
#include "index/IndexRefusal.h"
#include "index/IndexSnapshot.h"
#include "index/commit/RebuildBeside.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Format.h"

namespace cs::check {

namespace {

const char* const kRenameMarker = "index.rename";

// The files of an index directory that are neither a barrel's nor leftovers.
bool IsStateFile(const std::string& name)
{
    return name == index::CBarrelsInfo::STATUS_FILE || name == "index.run" || name == index::CIndexLock::FILE_NAME ||
           std::any_of(std::begin(index::format::COLLECTION_STATE_FILES), std::end(index::format::COLLECTION_STATE_FILES),
                       [&](const char* state) { return name == state; });
}

bool StartsWith(const std::string& name, const char* prefix) { return name.compare(0, std::strlen(prefix), prefix) == 0; }

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace

CIndexChecker::CIndexChecker(const std::string& indexDir, const std::string& programHome)
    : m_dir(WithSlash(indexDir)), m_home(WithSlash(programHome))
{
}

const CCheckReport& CIndexChecker::check()
{
    if (!platform::Env().isDirectory(m_dir)) {
        m_report.add(m_dir, "no such directory");
        return m_report;
    }
    m_writer = index::FindIndexWriter(m_dir);
    if (m_writer != 0)
        m_report.note(utility::Format("%s: csindexer (process %d) is writing the index; the files of its flushes and "
                                      "merges under way are judged as a reader sees them",
                                      m_dir.substr(0, m_dir.size() - 1).c_str(), m_writer));
    // The list, its barrels and the directory's files, all of one moment
    // while csindexer may change them; a plan that stands is reported below.
    index::CIndexSnapshot snapshot(m_dir, index::CIndexSnapshot::StandingPlan::TAKE);
    checkBarrelList(snapshot);
    checkDirectoryFiles(snapshot.entries());
    checkProgramHome();
    return m_report;
}

void CIndexChecker::addUnfinished(const std::string& path, const std::string& problem, int writer)
{
    if (writer == 0)
        m_report.add(path, problem);
    else
        m_report.note(utility::Format("%s: work under way of csindexer (process %d)", path.c_str(), writer));
}

void CIndexChecker::checkBarrelList(const index::CIndexSnapshot& snapshot)
{
    std::string list = m_dir + index::CBarrelsInfo::STATUS_FILE;
    // The verdict csindexer and cssearch go by, with the way out they give.
    std::string damage =
        snapshot.damage(m_writer == 0 ? index::CIndexRefusal::Use::WRITE : index::CIndexRefusal::Use::READ);
    if (!damage.empty())
        m_report.add(list, damage + "; " + index::CIndexRefusal::listWayOut(m_dir));
    if (!snapshot.hasList()) {
        m_empty = true;
        return;
    }
    // A list that does not parse, or whose numbers do not convert, is the
    // damage reported above.
    const index::CBarrelsInfo& barrels = snapshot.barrels();
    if (!barrels.isLoaded())
        return;
    if (barrels.getVersion() != index::CBarrelsInfo::VERSION)
        m_report.add(list, "version " + barrels.getVersion() + ", not " + index::CBarrelsInfo::VERSION);
    if (static_cast<size_t>(barrels.getBarrelCount()) != barrels.size())
        m_report.add(list, utility::Format("barrel_count is %d, %zu barrels are listed", barrels.getBarrelCount(),
                                           barrels.size()));
    // Without the mode the barrels cannot be decoded, but the list still says
    // which files are the barrels'.
    const content::CContentMode* pMode = barrels.getContentMode();
    bool decodable = pMode && pMode->size() > 0;
    if (!decodable)
        m_report.add(list, "holds no content mode");
    int64_t next = 0;
    std::set<std::string> names;
    for (size_t i = 0; i < barrels.size(); ++i) {
        const index::CBarrelInfo& barrel = *barrels.getBarrel(i);
        if (index::format::BarrelNumber(barrel.getName()) < 0 || !names.insert(barrel.getName()).second) {
            m_report.add(list, "barrel name " + barrel.getName() + " is not of the form _N or is listed twice");
            continue;
        }
        m_barrelNames.push_back(barrel.getName());
        if (barrel.getDocStart() != next)
            m_report.add(list, utility::Format("barrel %s starts at document %d, the barrels before it end at %lld",
                                               barrel.getName().c_str(), barrel.getDocStart(),
                                               static_cast<long long>(next)));
        if (barrel.getDocCount() < 0 || barrel.getDeletedCount() < 0 ||
            barrel.getDeletedCount() > barrel.getDocCount()) {
            m_report.add(list, utility::Format("barrel %s: %d documents, %d deleted", barrel.getName().c_str(),
                                               barrel.getDocCount(), barrel.getDeletedCount()));
            continue;
        }
        next = static_cast<int64_t>(barrel.getDocStart()) + barrel.getDocCount();
        ++m_barrels;
        m_documents += barrel.getDocCount();
        m_deleted += barrel.getDeletedCount();
        if (decodable)
            CBarrelChecker(&snapshot.directory(), barrel, *pMode, m_report).check();
    }
}

void CIndexChecker::checkDirectoryFiles(const std::vector<platform::DirEntry>& entries)
{
    std::vector<std::string> files;
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory)
            files.push_back(entry.name);
        else if (entry.name == index::CRebuildBeside::STAGING_DIR)
            m_report.note(m_dir + entry.name +
                          ": the new index of a rebuild that runs or was cut off; the old index is in force, "
                          "and the next csindexer run removes a partial one");
    }
    std::sort(files.begin(), files.end());
    for (const std::string& name : files) {
        std::string path = m_dir + name;
        std::string barrel = index::format::BarrelOfFile(name);
        if (index::format::IsTmpName(name)) {
            addUnfinished(path, "left by an interrupted flush or merge; the next csindexer run completes or clears it",
                          m_writer);
        } else if (name == index::CReplacePlan::FILE_NAME) {
            std::string damage = index::CIndexRefusal::planDamage(m_dir);
            if (damage.empty())
                addUnfinished(path, "the plan of an interrupted replacement of barrel files; the next csindexer run "
                                    "carries it out",
                              m_writer);
            else
                m_report.add(path, damage + "; " + index::CIndexRefusal::planWayOut());
        } else if (name == std::string(index::CReplacePlan::FILE_NAME) + ".new") {
            addUnfinished(path, "a replacement plan never committed; the next csindexer run removes it", m_writer);
        } else if (StartsWith(name, index::format::MERGING_PREFIX)) {
            addUnfinished(path, "left by an unfinished merge; the next csindexer run removes it", m_writer);
        } else if (!barrel.empty()) {
            if (m_empty)
                addUnfinished(path, "a barrel file, but there is no index_status.xml", m_writer);
            else if (std::find(m_barrelNames.begin(), m_barrelNames.end(), barrel) == m_barrelNames.end())
                addUnfinished(path, "a file of barrel " + barrel + ", which the barrel list does not name", m_writer);
            else if (std::none_of(std::begin(index::format::BARREL_FILES), std::end(index::format::BARREL_FILES),
                                  [&](const char* ext) { return name == barrel + ext; }))
                m_report.add(path, "not a file a barrel has");
        } else if (StartsWith(name, index::format::SET_ASIDE_PREFIX)) {
            m_report.note(path + ": set aside by a repair or a rebuild, kept for inspection; delete it when it is no "
                                 "longer needed");
        } else if (!IsStateFile(name)) {
            m_report.note(path + ": not a file of the index, left alone");
        }
    }
}

void CIndexChecker::checkProgramHome()
{
    if (m_home.empty())
        return;
    // The markers of a csindexer that runs are its moves and wipes under way.
    const int writer = index::FindIndexWriter(m_home);
    if (platform::Env().pathAccessible(m_home + kRenameMarker))
        addUnfinished(m_home + kRenameMarker,
                      "a move of barrel files into place was cut off; the next csindexer run completes it", writer);
    if (platform::Env().pathAccessible(m_home + index::CIndex::DELETE_MARKER))
        addUnfinished(m_home + index::CIndex::DELETE_MARKER,
                      "the wipe of an index was cut off; rebuild it with csindexer -r", writer);
    if (platform::Env().pathAccessible(m_home + "rt.err"))
        m_report.note(m_home + "rt.err: a run died on a record (table:auto_id inside); the next run retries it");
    if (platform::Env().pathAccessible(m_home + "errorreport.txt"))
        m_report.note(m_home + "errorreport.txt: a run ended with a fatal error; read it, fix the cause, delete it");
}

std::string CIndexChecker::summary() const
{
    std::string dir = m_dir.substr(0, m_dir.size() - 1);
    if (!m_report.sound())
        return utility::Format("%s: %zu problem%s", dir.c_str(), m_report.count(), m_report.count() == 1 ? "" : "s");
    if (m_empty)
        return dir + ": holds no index (no index_status.xml and no barrel files)";
    return utility::Format("%s: sound, %d barrel%s, %lld documents, %lld deleted", dir.c_str(), m_barrels,
                           m_barrels == 1 ? "" : "s", static_cast<long long>(m_documents),
                           static_cast<long long>(m_deleted));
}

} // namespace cs::check
