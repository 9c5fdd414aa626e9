// Streams over memory that record every file access the buffered base classes
// make, so the buffer rules can be checked call by call.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "store/IndexInput.h"
#include "store/IndexOutput.h"

namespace cs::test {

class CMemoryInput : public store::CIndexInput {
public:
    explicit CMemoryInput(std::string data, int32_t size = BUFFER_SIZE)
        : CIndexInput(nullptr, size, true), m_data(std::move(data))
    {
        m_length = static_cast<int64_t>(m_data.size());
    }

    CIndexInput* clone() override { return new CMemoryInput(m_data, bufsize()); }
    CIndexInput* clone(char*, int32_t) override { return clone(); }
    void close() override {}

    int reads = 0;
    int seeks = 0;
    int64_t filePosition = 0;

protected:
    int64_t readInternal(void* destination, int64_t length, bool seekFirst) override
    {
        ++reads;
        if (seekFirst)
            filePosition = position();
        int64_t count = std::min<int64_t>(length, static_cast<int64_t>(m_data.size()) - filePosition);
        std::memcpy(destination, m_data.data() + filePosition, static_cast<size_t>(count));
        filePosition += count;
        return count;
    }

    void seekInternal(int64_t pos) override
    {
        ++seeks;
        filePosition = pos;
    }

public:
    const std::string& bytes() const { return m_data; }

private:
    std::string m_data;
};

class CMemoryOutput : public store::CIndexOutput {
public:
    struct Flush {
        int64_t offset;
        int64_t length;
        bool operator==(const Flush& other) const { return offset == other.offset && length == other.length; }
    };

    int64_t position() const override { return m_bufferStart + m_bufferPosition; }
    int open(const std::string&) override { return 0; }
    void close() override { flush(); }

    std::string data;
    std::vector<Flush> flushes;   // every non-empty write, in order
    // Bytes a copy of file data may append at once, as a file system would
    // copy them (-1: the output cannot copy file data).
    int64_t copyLimit = -1;
    std::vector<Flush> copies;   // every such copy: the input's offset and the length

protected:
    void flushBuffer(const uint8_t* bytes, int64_t length) override
    {
        if (length == 0)
            return;
        flushes.push_back({m_bufferStart, length});
        size_t end = static_cast<size_t>(m_bufferStart + length);
        if (data.size() < end)
            data.resize(end);
        std::memcpy(&data[static_cast<size_t>(m_bufferStart)], bytes, static_cast<size_t>(length));
    }

    int64_t copyFileData(store::CIndexInput* pInput, int64_t position, int64_t length) override
    {
        auto* pMemory = dynamic_cast<CMemoryInput*>(pInput);
        if (copyLimit <= 0 || !pMemory)
            return 0;
        int64_t count = std::min(length, copyLimit);
        copies.push_back({position, count});
        flushBuffer(reinterpret_cast<const uint8_t*>(pMemory->bytes().data() + position), count);
        return count;
    }
};

} // namespace cs::test
