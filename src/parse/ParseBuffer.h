// A byte buffer that a parser keeps for its whole life: it only grows, and a
// grown buffer is not copied, since every document fills it afresh.
#pragma once

#include <cstddef>
#include <memory>

namespace cs::parse {

class CParseBuffer {
public:
    // The first allocation of a read buffer.
    static constexpr size_t FIRST_SIZE = 10240;

    // Room for `need` bytes; a new allocation takes at least `minimum`. The
    // contents are lost when the buffer grows.
    char* reserve(size_t need, size_t minimum = FIRST_SIZE);

    char* data() { return m_pData.get(); }
    const char* data() const { return m_pData.get(); }
    size_t size() const { return m_size; }   // allocated bytes

    // Bytes in use.
    size_t length() const { return m_length; }
    void setLength(size_t length) { m_length = length; }

private:
    std::unique_ptr<char[]> m_pData;
    size_t m_size = 0;
    size_t m_length = 0;
};

} // namespace cs::parse
