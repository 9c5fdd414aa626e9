#include "index/merge/MergeBarrelEntity.h"

#include "index/DeletedFile.h"
#include "index/format/BarrelFiles.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::index {

CMergeBarrelEntity::CMergeBarrelEntity(store::CDirectory* pDir, CBarrelInfo* pBarrelInfo)
    : m_pDir(pDir), m_pBarrelInfo(pBarrelInfo), m_pFieldInfos(std::make_unique<CFieldInfoList>())
{
    CS_ASSERT_ARG(pDir);
    CS_ASSERT_ARG(pBarrelInfo);
}

CMergeBarrelEntity::~CMergeBarrelEntity() = default;

void CMergeBarrelEntity::load(bool recycle)
{
    std::unique_ptr<store::CIndexInput> pFdi(m_pDir->openInput(m_pBarrelInfo->getName() + format::FDI));
    m_pFieldInfos = std::make_unique<CFieldInfoList>();
    m_pFieldInfos->read(*pFdi);
    loadDocDeleted(recycle);
}

void CMergeBarrelEntity::loadDocDeleted(bool recycle)
{
    m_pDocDeleted.reset();
    m_recycle = false;
    m_lead = 0;
    std::string name = m_pBarrelInfo->getName() + format::DEL;
    if (!m_pDir->fileExists(name))
        return;
    std::string path = m_pDir->getFullPath(name);
    auto pDeleted = std::make_unique<utility::CDocDeleted>();
    LoadDeletedFile(path, *pDeleted);

    uint32_t docCount = static_cast<uint32_t>(m_pBarrelInfo->getDocCount());
    if (pDeleted->docNum() > docCount) {
        CS_LOG_ERROR("doc number in file %s is larger than barrel %s info", path.c_str(),
                     m_pBarrelInfo->getName().c_str());
        // Marks past the barrel's end belong to no document of it; kept, they
        // would shift every later barrel's marks in the merged bitmap.
        auto pCut = std::make_unique<utility::CDocDeleted>();
        pCut->grow(docCount);
        for (uint32_t doc = 0; doc < docCount; ++doc) {
            if (pDeleted->isDeleted(static_cast<int32_t>(doc)))
                pCut->setDeleted(static_cast<int32_t>(doc));
        }
        pDeleted = std::move(pCut);
    } else if (pDeleted->docNum() < docCount) {
        pDeleted->grow(docCount - pDeleted->docNum());
    }

    bool agrees = pDeleted->docDelNum() == static_cast<uint32_t>(m_pBarrelInfo->getDeletedCount());
    if (!agrees)
        CS_LOG_ERROR("deleted files number is not same between index_status.xml and %s", path.c_str());
    m_pDocDeleted = std::move(pDeleted);
    m_recycle = recycle && agrees && m_pDocDeleted->docDelNum() > 0;
    if (m_recycle) {
        while (m_lead < static_cast<int32_t>(docCount) && m_pDocDeleted->isDeleted(m_lead))
            ++m_lead;
    }
}

void CMergeBarrelEntity::place(int32_t docStart, int32_t shift)
{
    m_mergeStart = docStart;
    m_shift = shift;
}

} // namespace cs::index
