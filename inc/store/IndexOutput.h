// Buffered writer of index files: owns the buffer and every encoding of the
// on-disk primitives; a subclass supplies the actual file access.
#pragma once

#include <cstdint>
#include <string>

namespace cs::store {

class CIndexInput;

class CIndexOutput {
public:
    static constexpr int32_t BUFFER_SIZE = 4096;
    // For outputs written in long runs, such as a merge's: fewer, larger writes.
    static constexpr int32_t STREAMING_BUFFER_SIZE = 65536;

    virtual ~CIndexOutput();
    CIndexOutput(const CIndexOutput&) = delete;
    CIndexOutput& operator=(const CIndexOutput&) = delete;

    // A full buffer is written lazily, when the next byte arrives.
    void writeByte(uint8_t b);
    void writeInt(int32_t value);    // 4 bytes, most significant first
    void writeLong(int64_t value);   // two Int32, high word first
    // The unsigned bit pattern in 7-bit groups, low group first: at most 5
    // (VInt) or 10 (VLong) bytes; a negative value takes the maximum.
    void writeVInt(int32_t value);
    void writeVLong(int64_t value);
    // VInt byte count, then the bytes; an empty text is refused.
    void writeString(const char* str);
    void writeString(const std::string& str);
    // A block larger than the buffer is written straight to the file, after
    // whatever is still buffered.
    void writeBytes(const void* data, int64_t length);
    // Appends `length` bytes read from the input's current position, passing
    // by its buffer; the input is left just after them. More than a buffer's
    // worth is copied by the file system where the output can have it done
    // (see copyFileData).
    void copyFrom(CIndexInput* pInput, int64_t length);
    // Writes through a buffer of `size` bytes from now on; what is buffered
    // is written first.
    void setBufferSize(int32_t size);
    // From now on until closed, full buffers are written on a thread of
    // their own while the next is filled, where the output can do that
    // (nothing otherwise). Set after the buffer size.
    virtual void writeBehind() {}

    virtual int64_t position() const = 0;
    virtual void seek(int64_t pos);
    virtual int open(const std::string& filename) = 0;
    virtual void close() = 0;

protected:
    CIndexOutput();

    // Writes `length` bytes at file offset m_bufferStart.
    virtual void flushBuffer(const uint8_t* data, int64_t length) = 0;
    // Appends, at file offset m_bufferStart with nothing buffered, up to
    // `length` bytes of the input's file from `position` without reading
    // them into memory; returns the count appended (0: this output cannot).
    // The input is not moved.
    virtual int64_t copyFileData(CIndexInput* /*pInput*/, int64_t /*position*/, int64_t /*length*/) { return 0; }

    void flush();   // writes the buffered bytes and starts an empty buffer after them
    void allocateBuffer();
    void releaseBuffer();

    uint8_t* m_buffer = nullptr;
    int32_t m_bufsize = 0;   // m_capacity while a buffer is held; 0 sends every write to flush()
    int32_t m_capacity = BUFFER_SIZE;
    int64_t m_bufferStart = 0;
    int32_t m_bufferPosition = 0;
    bool m_ownsBuffer = true;

private:
    void writeVLongSlow(uint64_t value);
    void writeChars(const char* data, size_t length);
};

inline void CIndexOutput::writeByte(uint8_t b)
{
    if (m_bufferPosition >= m_bufsize)
        flush();
    m_buffer[m_bufferPosition++] = b;
}

inline void CIndexOutput::writeVInt(int32_t value)
{
    writeVLong(static_cast<uint32_t>(value));
}

inline void CIndexOutput::writeVLong(int64_t value)
{
    uint64_t bits = static_cast<uint64_t>(value);
    // The common case: the whole encoding fits in the buffer.
    if (m_bufsize - m_bufferPosition >= 10) {
        uint8_t* cursor = m_buffer + m_bufferPosition;
        while (bits > 0x7F) {
            *cursor++ = static_cast<uint8_t>((bits & 0x7F) | 0x80);
            bits >>= 7;
        }
        *cursor++ = static_cast<uint8_t>(bits);
        m_bufferPosition = static_cast<int32_t>(cursor - m_buffer);
        return;
    }
    writeVLongSlow(bits);
}

} // namespace cs::store
