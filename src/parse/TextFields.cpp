#include "parse/TextFields.h"

#include "content/Content.h"
#include "content/ContentMode.h"
#include "utility/Error.h"

namespace cs::parse {

int FieldIdOf(const content::CContentMode& mode, const char* name)
{
    const content::CModeItem* pItem = mode.find(name);
    return pItem ? pItem->getFieldID() : -1;
}

void CTextFields::lookUp(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
    m_textId = FieldIdOf(*pMode, "text");
    m_abstractId = FieldIdOf(*pMode, "abstract");
}

void CTextFields::set(content::CContent& content, const char* text, size_t length) const
{
    if (m_textId >= 0)
        content.setFieldText(static_cast<uint32_t>(m_textId), text, length);
    if (m_abstractId >= 0)
        content.setFieldText(static_cast<uint32_t>(m_abstractId), text, length);
}

} // namespace cs::parse
