#include "content/Field.h"

#include "utility/Error.h"

namespace cs::content {

const char* CField::getText() const
{
    CS_ASSERT(m_data.ft == CField::TEXT);
    return m_data.text.data();
}

size_t CField::getTextLength() const
{
    CS_ASSERT(m_data.ft == CField::TEXT);
    return m_data.text.size();
}

int64_t CField::getNumber() const
{
    CS_ASSERT(m_data.ft == CField::NUMBER);
    return m_data.number;
}

void CField::setText(const char* bytes, size_t length)
{
    m_data.ft = TEXT;
    m_data.text.assign(bytes, length);
}

void CField::setNumber(int64_t value)
{
    m_data.ft = NUMBER;
    m_data.number = value;
}

analyze::CTokenList<analyze::wid_t>& CField::newTokens()
{
    m_tokenStore.clear();
    m_pTokens = &m_tokenStore;
    return m_tokenStore;
}

size_t CField::heldBytes() const
{
    return m_data.text.capacity() + m_tokenStore.capacity() * sizeof(analyze::wid_t);
}

void CField::clear()
{
    m_data.ft = EMPTY;
    m_data.text.clear();
    m_data.number = 0;
    m_pTokens = nullptr;
}

} // namespace cs::content
