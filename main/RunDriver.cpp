#include "RunDriver.h"

#include "CheckConfig.h"
#include "PrepareIndexing.h"
#include "RecreateTime.h"
#include "WriterGuard.h"
#include "config/Configurator.h"
#include "config/GlobalConfig.h"
#include "index/BarrelsInfo.h"
#include "index/Index.h"
#include "index/IndexRefusal.h"
#include "index/commit/IndexRecovery.h"
#include "index/commit/RebuildBeside.h"
#include "index/commit/ReplacePlan.h"
#include "index/writer/IndexWriter.h"
#include "platform/Env.h"
#include "store/ContentDirectory.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Failure.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

// The status file index.run in the index root. A short write or a failed
// commit is fatal: the operator's view of the run would be wrong.
class CRunStatusFile {
public:
    explicit CRunStatusFile(const std::string& path) : m_fd(platform::Env().createTruncated(path))
    {
        if (m_fd == -1)
            ExitWithFailure(1, FailureText("failed to create index.run", path, GetLastErrorText()));
    }
    ~CRunStatusFile()
    {
        if (m_fd != -1)
            platform::Env().closeFile(m_fd);
    }
    CRunStatusFile(const CRunStatusFile&) = delete;
    CRunStatusFile& operator=(const CRunStatusFile&) = delete;

    void write(const std::string& text)
    {
        if (!platform::Env().writeAll(m_fd, text.data(), text.size()))
            DumpLastError(GetLastErrorText());
    }

    void commitAndClose()
    {
        if (!platform::Env().commitFile(m_fd))
            DumpLastError(GetLastErrorText());
        platform::Env().closeFile(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

struct IndexCounts {
    uint64_t documents = 0;
    uint64_t deleted = 0;
};

// Documents and deleted documents summed over the barrels listed in
// `statusFile` (index_status.xml), both 0 when it cannot be read.
IndexCounts ReadIndexCounts(const std::string& statusFile)
{
    IndexCounts counts;
    if (!index::CBarrelsInfo::countDocuments(statusFile, counts.documents, counts.deleted))
        return IndexCounts();
    return counts;
}

std::string ConfiguratorPath() { return CConfigPath::instance().getPath("CONFIGURATE_PATH"); }

// What the start does to an index before anything reads it: a plan that
// cannot be read stops the run, unless the run rebuilds, which sets it aside;
// an interrupted replacement is completed; a barrel list that does not agree
// with its barrels stops a run that would write beside it.
void RecoverIndex(const std::string& indexDir, bool rebuild)
{
    std::string refusal = index::CIndexRefusal::ofPlan(indexDir);
    if (!refusal.empty()) {
        if (!rebuild)
            CS_THROW("%s", refusal.c_str());
        store::CContentDirectory directory(indexDir, store::CContentDirectory::MODE_OPEN);
        index::CReplacePlan::setAside(&directory);
    }
    index::CIndexRecovery::recover(indexDir);
    refusal = index::CIndexRefusal::ofList(indexDir);
    if (!refusal.empty() && !rebuild)
        CS_THROW("%s", refusal.c_str());
}

bool IndexingSwitchedOff()
{
    if (g_pGlobalConfig->systemStatus() != 0)
        return false;
    CS_LOG_ERROR("system has been forbidden ");
    return true;
}

} // namespace

int RunDatabase(const std::string& name, const std::string& description, int recreate)
{
    CConfigurator configurator(ConfiguratorPath());
    configurator.load();
    if (IndexingSwitchedOff())
        return -1;
    RequireSoundComponents(configurator);
    const std::string& root = g_pGlobalConfig->indexPath();
    CreateDirectoryPrefixes(root);
    // Everything that would make the run go wrong is refused before the run
    // changes a file, index.run included.
    std::string indexDir = IndexDirectoryOf(configurator, name);
    std::string refusal = SourceRefusalOf(configurator, name);
    if (!refusal.empty())
        CS_THROW("%s", refusal.c_str());
    std::unique_ptr<index::CIndexLock> pLock;
    if (!indexDir.empty()) {
        CreateDirectoryPrefixes(indexDir);
        pLock = LockIndexDirectory(indexDir);
        RecoverIndex(indexDir, recreate != 0);
    }
    CRunStatusFile status(root + "/index.run");
    if (NeedRecreate(name)) {
        status.write(" _ \n");
        CS_LOG_INFO("database:%s need recreate.hollowmere auto recreate", name.c_str());
        recreate = 1;
    }
    status.write(Format(CStringResource::instance().get("IDR_INDEXING_GATEWAY").c_str(), description.c_str()));
    // A rebuild writes the new index beside the old one, which readers use
    // until the new one takes its place, whole.
    if (recreate && !indexDir.empty())
        index::CRebuildBeside::checkRoom(indexDir);
    {
        // The collection goes first, with the writer it owns; then the index.
        CPreparedRun run = PrepareIndexing(&configurator, name, recreate);
        run.pCollection->run();
    }
    if (recreate && !indexDir.empty())
        index::CRebuildBeside::swapIn(indexDir);
    status.commitAndClose();
    return 0;
}

int MergeIndexOnly()
{
    CConfigurator configurator(ConfiguratorPath());
    configurator.load();
    if (IndexingSwitchedOff())
        return -1;
    const std::string& root = g_pGlobalConfig->indexPath();
    // Without an index root there is nothing to merge, and nothing to lock.
    std::unique_ptr<index::CIndexLock> pLock;
    if (platform::Env().isDirectory(root))
        pLock = LockIndexDirectory(root);
    RecoverIndex(root, false);
    index::CIndex index(index::CIndex::ACCESS_READ, root);
    index::CIndexWriter writer(&index);
    writer.setThreads(g_pGlobalConfig->indexThreads());
    std::unique_ptr<collection::CCollection> pStateKeeper = RootStateKeeper(configurator);
    if (pStateKeeper) {
        pStateKeeper->setIndexWriter(&writer, false);
        writer.setFlushListener(pStateKeeper.get());
    }
    writer.merge();
    return 0;
}

bool NeedRecreate(const std::string& name)
{
    IndexCounts counts = ReadIndexCounts(g_pGlobalConfig->indexPath() + "/" + name + "/index_status.xml");
    return RecreateDue(counts.documents, counts.deleted, LocalNow());
}

bool RecreateDue(uint64_t documents, uint64_t deleted, const std::tm& now)
{
    // An empty index has nothing to rebuild and no share of deleted documents
    // (which also keeps records = 0 from dividing by zero).
    if (documents == 0)
        return false;
    return documents >= g_pGlobalConfig->recreateRecords() &&
           deleted * 100 / documents >= g_pGlobalConfig->recreateDelPercent() && IsRecreateTime(now);
}

} // namespace cs::driver
