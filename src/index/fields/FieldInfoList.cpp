#include "index/fields/FieldInfoList.h"

#include "content/ContentMode.h"
#include "content/Field.h"
#include "store/IndexInput.h"
#include "store/IndexOutput.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::index {

using content::CModeItem;

void CFieldInfoList::clear()
{
    m_fieldInfos.clear();
    m_nFieldInfoCount = 0;
    m_nameMap.clear();
}

void CFieldInfoList::append(std::unique_ptr<CFieldInfo> pInfo)
{
    // A name listed twice is found at its first field, as in the content mode.
    m_nameMap.emplace(pInfo->getName(), pInfo.get());
    m_fieldInfos.push_back(std::move(pInfo));
    m_nFieldInfoCount = static_cast<int32_t>(m_fieldInfos.size());
}

void CFieldInfoList::buildFromMode(const content::CContentMode& mode)
{
    clear();
    m_pMode = &mode;
    for (size_t i = 0; i < mode.size(); ++i) {
        const CModeItem& item = mode.item(i);
        if (item.getFieldID() == -1)
            continue;
        append(std::make_unique<CFieldInfo>(item.getFieldID(), item.getName(),
                                            item.getStoreKind() | item.getIndexKind(), item.getIndexWay(),
                                            item.getBoost()));
    }
}

void CFieldInfoList::addField(const content::CField* pField)
{
    CS_ASSERT_ARG(pField);
    int64_t fid = pField->getFieldID();
    CS_ASSERT_ARG_TEXT(fid >= 0 && fid < m_nFieldInfoCount,
                       "pField->getFieldID()>=0 && pField->getFieldID()<m_nFieldInfoCount");
    CFieldInfo& info = *m_fieldInfos[fid];
    if (info.getTotalTerms() == 0) {
        // The document field has no further byte for bits 16-23: they stay 0.
        uint32_t high = static_cast<uint32_t>(pField->getType()) << 8;
        info.setFlags(static_cast<int32_t>(high << 16) | pField->getStoreMode() | pField->getIndexMode());
    }
    if (pField->getIndexMode() != CModeItem::INDEX_NO && pField->getTokens())
        info.setTotalTerms(info.getTotalTerms() + static_cast<int64_t>(pField->getTokens()->size()));
}

CFieldInfo* CFieldInfoList::getField(int32_t fid)
{
    CS_ASSERT_ARG(fid >= 0 && fid < m_nFieldInfoCount);
    return m_fieldInfos[fid].get();
}

const CFieldInfo* CFieldInfoList::getField(int32_t fid) const
{
    CS_ASSERT_ARG(fid >= 0 && fid < m_nFieldInfoCount);
    return m_fieldInfos[fid].get();
}

CFieldInfo* CFieldInfoList::find(const std::string& name) const
{
    auto it = m_nameMap.find(name);
    return it == m_nameMap.end() ? nullptr : it->second;
}

void CFieldInfoList::resetStatistics()
{
    for (auto& pInfo : m_fieldInfos)
        pInfo->resetStatistics();
}

void CFieldInfoList::mergeField(const CFieldInfo& other)
{
    if (CFieldInfo* pInfo = find(other.getName()))
        pInfo->copyFrom(other);
    else
        append(std::make_unique<CFieldInfo>(other));
}

void CFieldInfoList::write(store::CIndexOutput& output) const
{
    CS_ASSERT_OP_TEXT(m_pMode != nullptr, "m_pMode != NULL");
    output.writeInt(m_nFieldInfoCount);
    for (const auto& pInfo : m_fieldInfos) {
        output.writeString(pInfo->getName());
        output.writeInt(pInfo->getFlags());
        if (!pInfo->isIndexed())
            continue;
        output.writeLong(pInfo->getTotalTerms());
        output.writeLong(pInfo->getDistinctTerms());
        output.writeLong(pInfo->getTermDictTrailer());
        output.writeLong(pInfo->getTermDictBytes());
        output.writeLong(pInfo->getDocPostingBytes());
        output.writeLong(pInfo->getPosPostingBytes());
        // Index way and boost are the content mode's, not the field's own.
        int32_t indexWay = 0;
        float boost = 1.0f;
        if (const CModeItem* pItem = m_pMode->find(pInfo->getName())) {
            indexWay = pItem->getIndexWay();
            boost = pItem->getBoost();
        } else {
            CS_LOG_ERROR("fieldinfo %s can't find mode!", pInfo->getName().c_str());
        }
        output.writeInt(indexWay);
        output.writeString(CModeItem::boostText(boost));
    }
}

void CFieldInfoList::read(store::CIndexInput& input)
{
    clear();
    int32_t count = input.readInt();
    if (count < 1) {
        CS_LOG_ERROR("no field while reading field information file!");
        return;
    }
    for (int32_t fid = 0; fid < count; ++fid) {
        std::string name = input.readString();
        int32_t flags = input.readInt();
        auto pInfo = std::make_unique<CFieldInfo>(fid, name, flags);
        if (pInfo->isIndexed()) {
            pInfo->setTotalTerms(input.readLong());
            pInfo->setDistinctTerms(static_cast<int32_t>(input.readLong()));
            pInfo->setTermDictTrailer(input.readLong());
            pInfo->setTermDictBytes(input.readLong());
            pInfo->setDocPostingBytes(input.readLong());
            pInfo->setPosPostingBytes(input.readLong());
            pInfo->setIndexWay(input.readInt());
            float boost = 1.0f;
            if (!CModeItem::parseBoost(input.readString(), boost))
                boost = 1.0f;
            pInfo->setBoost(boost);
        }
        append(std::move(pInfo));
    }
}

} // namespace cs::index
