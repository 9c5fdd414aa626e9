#include "index/Index.h"

#include <vector>

#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/IndexLock.h"
#include "index/IndexRefusal.h"
#include "index/commit/ReplacePlan.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::index {

using content::CModeItem;

namespace {

// The directory mode of each open mode. A new index's directory has been
// wiped by then (wipeFiles), all but the writer's lock.
int DirectoryMode(int openMode)
{
    return openMode == CIndex::ACCESS_READ ? store::CContentDirectory::MODE_OPEN
                                           : store::CContentDirectory::MODE_CREATE;
}

} // namespace

CIndex::CIndex(int openMode, const std::string& path) : m_openMode(openMode)
{
    CS_ASSERT_ARG(openMode >= ACCESS_CREATE && openMode <= ACCESS_READ);
    if (openMode == ACCESS_CREATE) {
        wipeMarker();
        wipeFiles(path);
    } else {
        // Writing beside a list that does not agree with its barrels would
        // overwrite barrels it does not know.
        std::string refusal = CIndexRefusal::ofList(path);
        if (!refusal.empty())
            CS_THROW("%s", refusal.c_str());
    }
    m_pDirectory = std::make_unique<store::CContentDirectory>(path, DirectoryMode(openMode));
    m_pBarrelsInfo = std::make_unique<CBarrelsInfo>();
    bool read = m_pBarrelsInfo->read(*m_pDirectory);
    if (!read && openMode == ACCESS_READ)
        CS_THROW("open index file failed: no readable %s in %s", CBarrelsInfo::STATUS_FILE, path.c_str());
    if (openMode == ACCESS_CREATE) {
        m_pBarrelsInfo->deleteAll(*m_pDirectory);
    } else if (m_pBarrelsInfo->getVersion() != CBarrelsInfo::VERSION) {
        std::string version = m_pBarrelsInfo->getVersion();
        m_pBarrelsInfo.reset();
        m_pDirectory.reset();
        CS_THROW("versions don't match between program and the index file : %s is of version \"%s\", the program's "
                 "is \"%s\"", path.c_str(), version.c_str(), CBarrelsInfo::VERSION);
    }
}

CIndex::~CIndex() = default;

void CIndex::wipeMarker()
{
    std::string marker = utility::GetAppDir() + DELETE_MARKER;
    CS_LOG_INFO("index.delete [create %s]", marker.c_str());
    int fd = platform::Env().createTruncated(marker);
    if (fd == -1)
        CS_THROW("failed to create %s", marker.c_str());
    platform::Env().closeFile(fd);
    CS_LOG_INFO("index.delete [delete %s]", marker.c_str());
    // Gone already is as good as removed: tests that write indexes in
    // parallel share the program's directory and its marker.
    if (!platform::Env().removeFile(marker) && !platform::IsMissingFileError(platform::LastErrorCode()))
        utility::DumpLastError(utility::CStringResource::instance().get("IDR_NEED_RESTART"));
}

// Files removed one by one could leave the barrel list naming barrels already
// gone, or the collection's resume point without the index it belongs to. The
// files go through one committed plan instead: cut off, the next start's
// recovery finishes the wipe, so the index is either the old one or none.
// The writer's lock stays: a new file of that name would be free to a second
// writer while the first still holds the old one.
void CIndex::wipeFiles(const std::string& path)
{
    if (!platform::Env().isDirectory(path))
        return;
    store::CContentDirectory directory(path, store::CContentDirectory::MODE_OPEN);
    std::vector<std::string> files;
    directory.listFiles(files);
    CReplacePlan plan(&directory);
    if (directory.fileExists(CBarrelsInfo::STATUS_FILE))
        plan.addRemove(0, CBarrelsInfo::STATUS_FILE);
    for (const std::string& file : files) {
        std::string name = file.substr(file.find_last_of('/') + 1);
        if (name != CBarrelsInfo::STATUS_FILE && name != CReplacePlan::FILE_NAME && name != CIndexLock::FILE_NAME)
            plan.addRemove(0, name);
    }
    if (plan.empty())
        return;
    plan.commit();
    plan.execute();
}

content::CContentMode* CIndex::getContentMode() const
{
    if (m_pContentMode)
        return m_pContentMode;
    return m_pBarrelsInfo->getContentMode();
}

const FieldFactoryMap& CIndex::getFieldFactories()
{
    if (!m_pFieldFactories)
        buildFieldFactories();
    return *m_pFieldFactories;
}

void CIndex::buildFieldFactories()
{
    auto pFactories = std::make_unique<FieldFactoryMap>();
    const content::CContentMode* pMode = getContentMode();
    CFieldFactoryRegistry& registry = CFieldFactoryRegistry::instance();
    for (size_t i = 0; pMode && i < pMode->size(); ++i) {
        const CModeItem& item = pMode->item(i);
        if (item.getIndexKind() == CModeItem::INDEX_NO)
            continue;
        const std::string* pIndexer = item.getComponent("indexer");
        CFieldFactory* pFactory = nullptr;
        if (m_openMode == ACCESS_READ) {
            // An existing index must name the kind of every indexed field it
            // lists with one.
            if (!pIndexer)
                continue;
            pFactory = registry.find(*pIndexer);
            if (!pFactory)
                CS_THROW("creating fieldfactory failed");
        } else {
            if (!pIndexer)
                CS_LOG_WARN("configurate doesn't give %s field indexer ", "indexer");
            pFactory = registry.find(pIndexer ? *pIndexer : std::string("text"));
            CS_ASSERT(pFactory);
        }
        (*pFactories)[item.getFieldID()] = pFactory;
    }
    if (pFactories->empty()) {
        if (m_openMode == ACCESS_READ)
            CS_THROW("CIndex failed to create fieldfactory");
        CS_LOG_ERROR("IndexWriter failed to create fieldfactory");
    }
    m_pFieldFactories = std::move(pFactories);
}

} // namespace cs::index
