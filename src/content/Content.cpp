#include "content/Content.h"

#include <cstring>

#include "analyze/Analyzer.h"
#include "content/ContentMode.h"
#include "utility/Error.h"

namespace cs::content {

CContent::CContent(const CContentMode& mode)
{
    m_fieldList.reserve(mode.size());
    for (size_t i = 0; i < mode.size(); ++i) {
        const CModeItem& item = mode.item(i);
        m_fieldList.push_back(std::make_unique<CField>(static_cast<uint32_t>(item.getFieldID()), item.getName(),
                                                       static_cast<uint8_t>(item.getIndexKind()),
                                                       item.getStoreKind()));
    }
}

const CField* CContent::findField(uint32_t id) const
{
    for (const auto& pField : m_fieldList) {
        if (pField->getFieldID() == id)
            return pField.get();
    }
    return nullptr;
}

CField& CContent::fieldOf(uint32_t id)
{
    auto iter = m_fieldList.begin();
    while (iter != m_fieldList.end() && (*iter)->getFieldID() != id)
        ++iter;
    CS_ASSERT(iter != m_fieldList.end());
    return **iter;
}

void CContent::setFieldText(uint32_t id, const char* bytes, size_t length)
{
    fieldOf(id).setText(bytes, length);
}

void CContent::setFieldText(uint32_t id, const char* text)
{
    setFieldText(id, text, std::strlen(text));
}

void CContent::setFieldNumber(uint32_t id, int64_t value)
{
    fieldOf(id).setNumber(value);
}

CContentInput& CContent::input()
{
    if (!m_pInput)
        m_pInput = std::make_unique<CContentInput>();
    return *m_pInput;
}

void CContent::setFileInput(const std::string& path, int32_t fieldId)
{
    input().setFile(path, fieldId);
}

void CContent::setBufferInput(int32_t fieldId, const char* bytes, size_t length)
{
    input().setBuffer(fieldId, bytes, length);
}

void CContent::analyze(const analyze::AnalyzerMap& analyzers)
{
    for (auto& pField : m_fieldList) {
        if (!(pField->getIndexMode() & CModeItem::INDEX_ANALYZE))
            continue;
        analyze::CTokenList<analyze::wid_t>& tokens = pField->newTokens();
        if (pField->getType() != CField::TEXT || pField->getTextLength() == 0)
            continue;
        auto it = analyzers.find(static_cast<int>(pField->getFieldID()));
        CS_ASSERT(it != analyzers.end() && it->second != nullptr);
        it->second->analyze(pField->getText(), pField->getTextLength(), &tokens);
    }
    m_state = STATE_ANALYZED;
}

size_t CContent::heldBytes() const
{
    size_t bytes = m_pInput ? m_pInput->heldBytes() : 0;
    for (const auto& pField : m_fieldList)
        bytes += pField->heldBytes();
    return bytes;
}

void CContent::clear()
{
    for (auto& pField : m_fieldList)
        pField->clear();
    if (m_pInput)
        m_pInput->clearFilePath();
    m_state = STATE_NEW;
    m_dropReason = DropReason::NONE;
}

} // namespace cs::content
