#include "index/writer/IndexBarrelWriter.h"

#include "content/Content.h"
#include "content/ContentMode.h"
#include "content/Field.h"
#include "index/format/BarrelFiles.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::index {

using content::CModeItem;

CIndexBarrelWriter::CIndexBarrelWriter(const std::string& barrelName, store::CDirectory* pDir,
                                       utility::CMemoryCache* pMemory)
    : m_pDirectory(pDir), m_barrelName(barrelName), m_pMemory(pMemory)
{
    CS_ASSERT_ARG(pDir);
    CS_ASSERT_ARG(pMemory);
    m_storeFieldsWriter.open(m_pDirectory, m_barrelName, &m_fieldInfos);
}

CIndexBarrelWriter::~CIndexBarrelWriter() = default;

void CIndexBarrelWriter::setContentMode(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
    CS_ASSERT_TEXT(pMode->size() > 0, "modeCount>0");
    m_fieldIndexers.clear();
    m_fieldIndexers.resize(pMode->size());
    m_fieldInfos.buildFromMode(*pMode);
}

void CIndexBarrelWriter::createFieldIndexers(const FieldFactoryMap& factories)
{
    for (size_t fid = 0; fid < m_fieldIndexers.size(); ++fid) {
        auto it = factories.find(static_cast<int>(fid));
        if (it == factories.end() || !it->second)
            continue;
        m_fieldIndexers[fid].reset(it->second->createFieldIndexer(m_pMemory));
        if (!m_fieldIndexers[fid])
            CS_THROW("failed to create field indexer");
        const CFieldInfo& info = *m_fieldInfos.getField(static_cast<int32_t>(fid));
        m_fieldIndexers[fid]->setFieldName(info.getName());
        m_fieldIndexers[fid]->setIndexWay(info.getIndexWay());
    }
    m_lengths.reset(format::CDocLengths::coveredFields(factories));
}

void CIndexBarrelWriter::addDocument(int32_t docid, const content::CContent& content)
{
    for (size_t i = 0; i < content.fieldCount(); ++i) {
        const content::CField& field = content.field(i);
        m_fieldInfos.addField(&field);
        if (field.getIndexMode() == CModeItem::INDEX_NO)
            continue;
        uint32_t fid = field.getFieldID();
        CS_ASSERT_TEXT(fid < m_fieldIndexers.size() && m_fieldIndexers[fid], "m_fieldIndexers[fid]");
        m_fieldIndexers[fid]->addField(docid, &field);
    }
    m_storeFieldsWriter.addDocument(docid, &content);
    for (size_t k = 0; k < m_lengths.fieldIds.size(); ++k) {
        // Counted as the field's total terms count them.
        const content::CField* pField = content.findField(static_cast<uint32_t>(m_lengths.fieldIds[k]));
        bool counted = pField && pField->getIndexMode() != CModeItem::INDEX_NO && pField->getTokens();
        std::vector<int32_t>& column = m_lengths.lengths[k];
        column.resize(static_cast<size_t>(docid) + 1, 0);
        column[static_cast<size_t>(docid)] = counted ? static_cast<int32_t>(pField->getTokens()->size()) : 0;
    }
}

void CIndexBarrelWriter::checkDiskSpace() const
{
    // A barrel can take as much disk as the memory that holds its postings.
    // The free space is that of the file system the barrel goes to.
    int64_t freeMiB = utility::GetDiskSpace(m_pDirectory->getPath());
    if (freeMiB != -1 && static_cast<int64_t>(m_pMemory->firstBlockSize() >> 20) >= freeMiB)
        utility::DumpLastError(utility::CStringResource::instance().get("IDR_LACK_DISKSPACE"));
}

void CIndexBarrelWriter::write()
{
    CS_LOG_INFO("index barrel  %s is writing index data", m_barrelName.c_str());
    checkDiskSpace();
    std::unique_ptr<store::CIndexOutput> pTid(m_pDirectory->createOutput(format::TmpName(m_barrelName + format::TID)));
    std::unique_ptr<store::CIndexOutput> pDid(m_pDirectory->createOutput(format::TmpName(m_barrelName + format::DID)));
    std::unique_ptr<store::CIndexOutput> pPid(m_pDirectory->createOutput(format::TmpName(m_barrelName + format::PID)));
    COutputDescriptor outputs(pTid.get(), pDid.get(), pPid.get());
    for (size_t fid = 0; fid < m_fieldIndexers.size(); ++fid) {
        CFieldIndexer* pIndexer = m_fieldIndexers[fid].get();
        if (!pIndexer)
            continue;
        int64_t tidStart = pTid->position();
        int64_t didStart = pDid->position();
        int64_t pidStart = pPid->position();
        CFieldInfo& info = *m_fieldInfos.getField(static_cast<int32_t>(fid));
        info.setTermDictTrailer(pIndexer->write(&outputs));
        info.setDistinctTerms(pIndexer->getTermCount());
        info.setTermDictBytes(pTid->position() - tidStart);
        info.setDocPostingBytes(pDid->position() - didStart);
        info.setPosPostingBytes(pPid->position() - pidStart);
    }
    std::unique_ptr<store::CIndexOutput> pFdi(m_pDirectory->createOutput(format::TmpName(m_barrelName + format::FDI)));
    m_fieldInfos.write(*pFdi);
    pFdi->close();
    std::unique_ptr<store::CIndexOutput> pLen(m_pDirectory->createOutput(format::TmpName(m_barrelName + format::LEN)));
    m_lengths.write(*pLen);
    pLen->close();
    pTid->close();
    pDid->close();
    pPid->close();
    CS_LOG_INFO("index barrel %s has compeleted writing index data", m_barrelName.c_str());
}

void CIndexBarrelWriter::closeFiles() { m_storeFieldsWriter.close(); }

void CIndexBarrelWriter::close()
{
    closeFiles();
    // The deletions belong to this barrel only, whether or not there are any.
    std::unique_ptr<utility::CDocDeleted> pDocDeleted = std::move(m_pDocDeleted);
    if (pDocDeleted && pDocDeleted->docDelNum() > 0) {
        std::string path = m_pDirectory->getFullPath(m_barrelName + format::DEL);
        if (!pDocDeleted->save(path))
            CS_THROW("failed to write %s", path.c_str());
    }
    CS_LOG_DEBUG("index barrel %s has closed files", m_barrelName.c_str());
}

void CIndexBarrelWriter::reset()
{
    for (auto& pIndexer : m_fieldIndexers) {
        if (pIndexer)
            pIndexer->reset();
    }
    m_pMemory->rewind();
}

void CIndexBarrelWriter::beginBarrel(const std::string& name)
{
    m_barrelName = name;
    m_storeFieldsWriter.open(m_pDirectory, m_barrelName, &m_fieldInfos);
    loadDocDeleted();
    m_fieldInfos.resetStatistics();
    m_lengths.reset(m_lengths.fieldIds);
}

void CIndexBarrelWriter::loadDocDeleted()
{
    m_pDocDeleted.reset();
    std::string name = m_barrelName + format::DEL;
    if (!m_pDirectory->fileExists(name))
        return;
    auto pDocDeleted = std::make_unique<utility::CDocDeleted>();
    if (pDocDeleted->load(m_pDirectory->getFullPath(name)))
        m_pDocDeleted = std::move(pDocDeleted);
}

} // namespace cs::index
