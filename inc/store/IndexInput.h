// Buffered reader of index files: owns the buffer and every decoding of the
// on-disk primitives; a subclass supplies the actual file access.
#pragma once

#include <cstdint>
#include <string>

namespace cs::store {

class CIndexOutput;

class CIndexInput {
public:
    static constexpr int32_t BUFFER_SIZE = 4096;

    virtual ~CIndexInput();
    CIndexInput(const CIndexInput&) = delete;
    CIndexInput& operator=(const CIndexInput&) = delete;

    uint8_t readByte();
    int32_t readInt();     // 4 bytes, most significant first
    int64_t readLong();    // two Int32, high word first
    // 7-bit groups, low group first. The value is the unsigned bit pattern;
    // continuation bytes are accepted without limit (groups beyond the width wrap).
    int32_t readVInt();
    int64_t readVLong();
    // VInt byte count (never 0), then the raw bytes.
    std::string readString();
    void readBytes(void* buffer, int64_t length);
    // Reads `length` bytes at `pos` and leaves the cursor and the buffer as
    // they are: from the buffer where the bytes are in it, else straight from
    // the file. For a record read before the bytes that lead up to it (a
    // posting's trailer), which would otherwise cost those bytes' buffer.
    void readAt(int64_t pos, void* buffer, int64_t length);

    // Positions inside the loaded buffer move only the cursor; anything else
    // (the buffer's own start included) drops the buffer.
    void seek(int64_t pos);
    int64_t position() const { return m_bufferStart + m_bufferPosition; }
    bool isEof() const { return position() >= m_length; }
    int64_t length() const { return m_length; }

    // Reads through a caller-owned block of `bufsize` bytes from now on.
    void setBuffer(char* buffer, int32_t bufsize = BUFFER_SIZE);
    int32_t bufsize() const { return m_bufsize; }

    // A new, independent input on the same file, positioned at its start.
    virtual CIndexInput* clone() = 0;
    virtual CIndexInput* clone(char* buffer, int32_t bufsize) = 0;
    virtual void close() = 0;

protected:
    // `buffer` may be null: it is then allocated at the first refill (owned).
    CIndexInput(char* buffer, int32_t bufsize, bool ownsBuffer);

    // Reads up to `length` bytes into `destination`; with `seekFirst` the file
    // is first moved to position(). Returns the count read (short at the end).
    virtual int64_t readInternal(void* destination, int64_t length, bool seekFirst) = 0;
    virtual void seekInternal(int64_t position) = 0;

    void allocateBuffer();   // an owned buffer of bufsize() bytes

    int64_t m_length = 0;   // fixed when the file is opened

private:
    friend class CIndexOutput;   // copyFrom reads past the buffer, straight into its own

    void refill();
    void requireAvailable(int64_t length) const;   // "The file is ended!" when fewer bytes are left
    void releaseBuffer();
    uint32_t readVIntSlow();
    uint64_t readVLongSlow();

    uint8_t* m_buffer;
    int32_t m_bufsize;
    int64_t m_bufferStart = 0;
    int32_t m_bufferLength = 0;
    int32_t m_bufferPosition = 0;
    bool m_ownsBuffer;
};

inline uint8_t CIndexInput::readByte()
{
    if (m_bufferPosition >= m_bufferLength)
        refill();
    return m_buffer[m_bufferPosition++];
}

inline int32_t CIndexInput::readVInt()
{
    // Most values are one byte and already buffered.
    if (m_bufferPosition < m_bufferLength && !(m_buffer[m_bufferPosition] & 0x80))
        return m_buffer[m_bufferPosition++];
    return static_cast<int32_t>(readVIntSlow());
}

inline int64_t CIndexInput::readVLong()
{
    if (m_bufferPosition < m_bufferLength && !(m_buffer[m_bufferPosition] & 0x80))
        return m_buffer[m_bufferPosition++];
    return static_cast<int64_t>(readVLongSlow());
}

} // namespace cs::store
