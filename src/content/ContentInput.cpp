#include "content/ContentInput.h"

namespace cs::content {

void CContentInput::setFile(const std::string& path, int32_t fieldId)
{
    if (!m_pFile)
        m_pFile = std::make_unique<CFileRef>();
    m_pFile->path = path;
    m_pFile->fieldId = fieldId;
}

void CContentInput::clearFilePath()
{
    if (m_pFile)
        m_pFile->path.clear();
}

size_t CContentInput::heldBytes() const
{
    size_t bytes = m_pFile ? m_pFile->path.capacity() : 0;
    for (const CBuffer& buffer : m_buffers)
        bytes += buffer.bytes.capacity();
    return bytes;
}

void CContentInput::setBuffer(int32_t fieldId, const char* bytes, size_t length)
{
    if (m_buffers.empty())
        m_buffers.resize(1);
    CBuffer& slot = m_buffers[0];
    slot.fieldId = fieldId;
    // Assigning reuses the slot's storage from record to record.
    slot.bytes.assign(bytes ? bytes : "", bytes ? length : 0);
}

} // namespace cs::content
