#include "store/IndexInput.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "utility/Error.h"

namespace cs::store {

CIndexInput::CIndexInput(char* buffer, int32_t bufsize, bool ownsBuffer)
    : m_buffer(reinterpret_cast<uint8_t*>(buffer)), m_bufsize(bufsize), m_ownsBuffer(ownsBuffer)
{
}

CIndexInput::~CIndexInput() { releaseBuffer(); }

void CIndexInput::allocateBuffer()
{
    m_buffer = new uint8_t[static_cast<size_t>(m_bufsize)];
    m_ownsBuffer = true;
}

void CIndexInput::releaseBuffer()
{
    if (m_ownsBuffer)
        delete[] m_buffer;
    m_buffer = nullptr;
}

void CIndexInput::refill()
{
    int64_t start = position();
    int64_t left = m_length - start;
    if (left <= 0)
        CS_THROW("The file is ended!");
    if (!m_buffer)
        allocateBuffer();
    int64_t count = std::min<int64_t>(m_bufsize, left);
    int64_t got = readInternal(m_buffer, count, true);
    // A file cut short after it was opened must not hand out stale bytes.
    if (got <= 0)
        CS_THROW("The file is ended!");
    m_bufferStart = start;
    m_bufferLength = static_cast<int32_t>(got);
    m_bufferPosition = 0;
}

uint32_t CIndexInput::readVIntSlow()
{
    uint8_t b = readByte();
    uint32_t value = b & 0x7F;
    for (uint32_t shift = 7; b & 0x80; shift += 7) {
        b = readByte();
        value |= static_cast<uint32_t>(b & 0x7F) << (shift % 32);
    }
    return value;
}

uint64_t CIndexInput::readVLongSlow()
{
    uint8_t b = readByte();
    uint64_t value = b & 0x7F;
    for (uint32_t shift = 7; b & 0x80; shift += 7) {
        b = readByte();
        value |= static_cast<uint64_t>(b & 0x7F) << (shift % 64);
    }
    return value;
}

int32_t CIndexInput::readInt()
{
    uint32_t value = readByte();
    value = (value << 8) | readByte();
    value = (value << 8) | readByte();
    value = (value << 8) | readByte();
    return static_cast<int32_t>(value);
}

int64_t CIndexInput::readLong()
{
    uint64_t high = static_cast<uint32_t>(readInt());
    uint64_t low = static_cast<uint32_t>(readInt());
    return static_cast<int64_t>((high << 32) | low);
}

std::string CIndexInput::readString()
{
    int32_t length = readVInt();
    CS_ASSERT_ARG_TEXT(length > 0, "len > 0");
    requireAvailable(length);   // before a damaged length makes a huge allocation
    std::string text(static_cast<size_t>(length), '\0');
    readBytes(text.data(), length);
    return text;
}

void CIndexInput::readBytes(void* buffer, int64_t length)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr, "buffer != NULL");
    CS_ASSERT_TEXT(length > 0 && length <= m_length, "length > 0 && len <= m_length");
    requireAvailable(length);
    uint8_t* target = static_cast<uint8_t*>(buffer);
    int64_t buffered = std::min<int64_t>(length, m_bufferLength - m_bufferPosition);
    if (buffered > 0) {
        std::memcpy(target, m_buffer + m_bufferPosition, static_cast<size_t>(buffered));
        m_bufferPosition += static_cast<int32_t>(buffered);
        target += buffered;
        length -= buffered;
    }
    if (length == 0)
        return;
    if (length < m_bufsize) {
        refill();
        if (m_bufferLength < length)
            CS_THROW("The file is ended!");
        std::memcpy(target, m_buffer, static_cast<size_t>(length));
        m_bufferPosition = static_cast<int32_t>(length);
        return;
    }
    // A block larger than the buffer goes straight to the caller's memory.
    int64_t start = position();
    if (readInternal(target, length, true) != length)
        CS_THROW("The file is ended!");
    m_bufferStart = start + length;
    m_bufferLength = m_bufferPosition = 0;
}

void CIndexInput::readAt(int64_t pos, void* buffer, int64_t length)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr && length > 0 && pos >= 0, "buffer != NULL && length > 0 && pos >= 0");
    if (length > m_length - pos)
        CS_THROW("The file is ended!");
    if (pos >= m_bufferStart && pos + length <= m_bufferStart + m_bufferLength) {
        std::memcpy(buffer, m_buffer + (pos - m_bufferStart), static_cast<size_t>(length));
        return;
    }
    // Every read of the buffer's own seeks first: the file may be left anywhere.
    seekInternal(pos);
    if (readInternal(buffer, length, false) != length)
        CS_THROW("The file is ended!");
}

void CIndexInput::requireAvailable(int64_t length) const
{
    if (length > m_length - position())
        CS_THROW("The file is ended!");
}

void CIndexInput::seek(int64_t pos)
{
    CS_ASSERT_ARG(pos >= 0 && pos <= m_length);
    if (m_bufferStart < pos && pos - m_bufferStart < m_bufferLength) {
        m_bufferPosition = static_cast<int32_t>(pos - m_bufferStart);
        return;
    }
    seekInternal(pos);
    m_bufferStart = pos;
    m_bufferLength = m_bufferPosition = 0;
}

void CIndexInput::setBuffer(char* buffer, int32_t bufsize)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr, "buffer != NULL");
    CS_ASSERT_ARG(bufsize > 0);
    releaseBuffer();
    m_bufferStart += m_bufferPosition;
    m_bufferLength = m_bufferPosition = 0;
    m_ownsBuffer = false;
    m_buffer = reinterpret_cast<uint8_t*>(buffer);
    m_bufsize = bufsize;
}

} // namespace cs::store
