#include "RunDriver.h"

#include "CheckConfig.h"
#include "PrepareIndexing.h"
#include "RecreateTime.h"
#include "config/Configurator.h"
#include "config/GlobalConfig.h"
#include "index/BarrelsInfo.h"
#include "index/Index.h"
#include "index/commit/IndexRecovery.h"
#include "index/writer/IndexWriter.h"
#include "platform/Env.h"
#include "utility/ConfigPath.h"
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
    explicit CRunStatusFile(const std::string& path) : m_path(path), m_fd(platform::Env().createTruncated(path))
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
        m_text += text;
        if (!platform::Env().writeAll(m_fd, text.data(), text.size()))
            DumpLastError(GetLastErrorText());
    }

    void commitAndClose()
    {
        // Rebuilding an index that lives in the index root itself (the
        // directory collection's) empties the root, index.run with it.
        if (!platform::Env().pathAccessible(m_path)) {
            platform::Env().closeFile(m_fd);
            m_fd = platform::Env().createTruncated(m_path);
            if (m_fd == -1 || !platform::Env().writeAll(m_fd, m_text.data(), m_text.size()))
                DumpLastError(GetLastErrorText());
        }
        if (!platform::Env().commitFile(m_fd))
            DumpLastError(GetLastErrorText());
        platform::Env().closeFile(m_fd);
        m_fd = -1;
    }

private:
    std::string m_path;
    int m_fd;
    std::string m_text;   // what the file holds
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
    CRunStatusFile status(root + "/index.run");
    // A run cut off in the middle of a flush is completed before anything
    // reads the index.
    std::string indexDir = IndexDirectoryOf(configurator, name);
    if (!indexDir.empty())
        index::CIndexRecovery::recover(indexDir);
    if (NeedRecreate(name)) {
        status.write(" _ \n");
        CS_LOG_INFO("database:%s need recreate.hollowmere auto recreate", name.c_str());
        recreate = 1;
    }
    status.write(Format(CStringResource::instance().get("IDR_INDEXING_GATEWAY").c_str(), description.c_str()));
    {
        // The collection goes first, with the writer it owns; then the index.
        CPreparedRun run = PrepareIndexing(&configurator, name, recreate);
        run.pCollection->run();
    }
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
    index::CIndexRecovery::recover(root);
    index::CIndex index(index::CIndex::ACCESS_READ, root);
    index::CIndexWriter writer(&index);
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
