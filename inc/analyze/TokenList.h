// The result of analysing one field: the field's terms in text order. A term
// is a signed 32-bit value; -1 marks a stop word, which keeps its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cs::analyze {

typedef int32_t wid_t;

class CTokenListBase {
public:
    virtual ~CTokenListBase() = default;
    virtual size_t size() const = 0;
};

template <class T>
class CTokenList : public CTokenListBase {
public:
    size_t size() const override { return m_tokens.size(); }
    size_t capacity() const { return m_tokens.capacity(); }

    void push_back(T token) { m_tokens.push_back(token); }
    void clear() { m_tokens.clear(); }   // keeps the storage for the next text
    T& operator[](size_t index) { return m_tokens[index]; }
    const T& operator[](size_t index) const { return m_tokens[index]; }
    T* data() { return m_tokens.data(); }
    const T* data() const { return m_tokens.data(); }
    const T* begin() const { return m_tokens.data(); }
    const T* end() const { return m_tokens.data() + m_tokens.size(); }

private:
    std::vector<T> m_tokens;
};

} // namespace cs::analyze
