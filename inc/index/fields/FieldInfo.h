// What a barrel knows about one field: its flags, and for an indexed field
// where its sections lie in .tid, .did and .pid and how many terms it holds.
#pragma once

#include <cstdint>
#include <string>

namespace cs::index {

class CFieldInfo {
public:
    // Bits 0-15 of the flags: index kind | store kind; bits 16-23: a further
    // byte of the document field; bits 24-31: the field's value kind.
    static constexpr int32_t INDEXED_MASK = 6;

    CFieldInfo(int32_t id, const std::string& name, int32_t flags, int32_t indexWay = 0, float boost = 1.0f)
        : m_id(id), m_name(name), m_flags(flags), m_indexWay(indexWay), m_boost(boost)
    {
    }
    virtual ~CFieldInfo() = default;
    CFieldInfo(const CFieldInfo&) = default;
    CFieldInfo& operator=(const CFieldInfo&) = default;

    int32_t getID() const { return m_id; }
    void setID(int32_t id) { m_id = id; }
    const std::string& getName() const { return m_name; }
    int32_t getFlags() const { return m_flags; }
    void setFlags(int32_t flags) { m_flags = flags; }
    bool isIndexed() const { return (m_flags & INDEXED_MASK) != 0; }
    int32_t getIndexWay() const { return m_indexWay; }
    void setIndexWay(int32_t indexWay) { m_indexWay = indexWay; }
    float getBoost() const { return m_boost; }
    void setBoost(float boost) { m_boost = boost; }

    int64_t getTotalTerms() const { return m_totalTerms; }
    void setTotalTerms(int64_t count) { m_totalTerms = count; }
    int32_t getDistinctTerms() const { return m_distinctTerms; }
    void setDistinctTerms(int32_t count) { m_distinctTerms = count; }
    // The .tid offset of the field's dictionary trailer; -1 for none.
    int64_t getTermDictTrailer() const { return m_termDictTrailer; }
    void setTermDictTrailer(int64_t offset) { m_termDictTrailer = offset; }
    int64_t getTermDictBytes() const { return m_termDictBytes; }
    void setTermDictBytes(int64_t bytes) { m_termDictBytes = bytes; }
    int64_t getDocPostingBytes() const { return m_docPostingBytes; }
    void setDocPostingBytes(int64_t bytes) { m_docPostingBytes = bytes; }
    int64_t getPosPostingBytes() const { return m_posPostingBytes; }
    void setPosPostingBytes(int64_t bytes) { m_posPostingBytes = bytes; }

    // Statistics to 0, no dictionary trailer.
    void resetStatistics();
    // Id, flags, index way, boost and statistics of `other`; the name stays.
    void copyFrom(const CFieldInfo& other);

private:
    int32_t m_id;
    std::string m_name;
    int32_t m_flags;
    int32_t m_indexWay;
    float m_boost;
    int64_t m_totalTerms = 0;
    int32_t m_distinctTerms = 0;
    int64_t m_termDictTrailer = -1;
    int64_t m_termDictBytes = 0;
    int64_t m_docPostingBytes = 0;
    int64_t m_posPostingBytes = 0;
};

} // namespace cs::index
