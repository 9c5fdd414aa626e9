#include "store/IndexOutput.h"

#include <algorithm>
#include <cstring>

#include "store/IndexInput.h"
#include "utility/Error.h"

namespace cs::store {

CIndexOutput::CIndexOutput() { allocateBuffer(); }

CIndexOutput::~CIndexOutput() { releaseBuffer(); }

void CIndexOutput::allocateBuffer()
{
    if (!m_buffer) {
        m_buffer = new uint8_t[static_cast<size_t>(m_capacity)];
        m_ownsBuffer = true;
    }
    m_bufsize = m_capacity;
}

void CIndexOutput::releaseBuffer()
{
    if (m_ownsBuffer)
        delete[] m_buffer;
    m_buffer = nullptr;
    m_bufsize = 0;
}

void CIndexOutput::flush()
{
    // Only a closed output has no buffer; writing to it is a caller's mistake.
    CS_ASSERT_OP_TEXT(m_buffer != nullptr, "m_buffer != NULL");
    flushBuffer(m_buffer, m_bufferPosition);
    m_bufferStart += m_bufferPosition;
    m_bufferPosition = 0;
}

void CIndexOutput::writeVLongSlow(uint64_t bits)
{
    while (bits > 0x7F) {
        writeByte(static_cast<uint8_t>((bits & 0x7F) | 0x80));
        bits >>= 7;
    }
    writeByte(static_cast<uint8_t>(bits));
}

void CIndexOutput::writeInt(int32_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    writeByte(static_cast<uint8_t>(bits >> 24));
    writeByte(static_cast<uint8_t>(bits >> 16));
    writeByte(static_cast<uint8_t>(bits >> 8));
    writeByte(static_cast<uint8_t>(bits));
}

void CIndexOutput::writeLong(int64_t value)
{
    uint64_t bits = static_cast<uint64_t>(value);
    writeInt(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32)));
    writeInt(static_cast<int32_t>(static_cast<uint32_t>(bits)));
}

void CIndexOutput::writeString(const char* str)
{
    CS_ASSERT_ARG_TEXT(str != nullptr, "str != NULL");
    writeChars(str, std::strlen(str));
}

void CIndexOutput::writeString(const std::string& str) { writeChars(str.data(), str.size()); }

void CIndexOutput::writeChars(const char* data, size_t length)
{
    // The length is a VInt of the stored format.
    CS_ASSERT_ARG_TEXT(length > 0 && length <= INT32_MAX, "len > 0");
    writeVInt(static_cast<int32_t>(length));
    writeBytes(data, static_cast<int64_t>(length));
}

void CIndexOutput::writeBytes(const void* data, int64_t length)
{
    CS_ASSERT_ARG_TEXT(data != nullptr && length > 0, "data != NULL && length > 0");
    if (m_bufsize - m_bufferPosition < length)
        flush();
    if (length > m_bufsize - m_bufferPosition) {
        flushBuffer(static_cast<const uint8_t*>(data), length);
        m_bufferStart += length;
        return;
    }
    std::memcpy(m_buffer + m_bufferPosition, data, static_cast<size_t>(length));
    m_bufferPosition += static_cast<int32_t>(length);
}

void CIndexOutput::copyFrom(CIndexInput* pInput, int64_t length)
{
    CS_ASSERT_ARG_TEXT(pInput != nullptr && length > 0, "pInput != NULL && length > 0");
    pInput->requireAvailable(length);
    if (length > m_bufsize - m_bufferPosition)
        flush();
    int64_t from = pInput->position();
    int64_t done = 0;
    // More than a buffer's worth (nothing is buffered now) may be copied by
    // the file system; what it leaves goes through the buffer.
    if (length > m_bufsize) {
        done = copyFileData(pInput, from, length);
        m_bufferStart += done;
        if (done > 0)
            pInput->seek(from + done);
    }
    while (done < length) {
        if (m_bufferPosition >= m_bufsize)
            flush();
        int64_t chunk = std::min<int64_t>(length - done, m_bufsize - m_bufferPosition);
        // The input reads at its logical position, straight into our buffer.
        if (pInput->readInternal(m_buffer + m_bufferPosition, chunk, true) != chunk)
            CS_THROW("The file is ended!");
        done += chunk;
        pInput->seek(from + done);
        m_bufferPosition += static_cast<int32_t>(chunk);
    }
}

void CIndexOutput::setBufferSize(int32_t size)
{
    CS_ASSERT_ARG(size > 0);
    bool held = m_buffer != nullptr;
    if (held)
        flush();
    releaseBuffer();
    m_capacity = size;
    if (held)
        allocateBuffer();
}

void CIndexOutput::seek(int64_t pos)
{
    CS_ASSERT_ARG(pos >= 0);
    flush();
    m_bufferStart = pos;
}

} // namespace cs::store
