// One barrel of the index as the barrel list records it: its name, the global
// number of its first document, its document count and deletions.
#pragma once

#include <cstdint>
#include <string>

namespace cs::index {

class CIndexBarrelWriter;

class CBarrelInfo {
public:
    CBarrelInfo(const std::string& name, int32_t docStart, int32_t docCount = 0, int32_t deletedCount = 0)
        : m_name(name), m_docStart(docStart), m_docCount(docCount), m_deletedCount(deletedCount)
    {
    }

    const std::string& getName() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }
    // Global number of the barrel's local document 0.
    int32_t getDocStart() const { return m_docStart; }
    void setDocStart(int32_t docStart) { m_docStart = docStart; }
    int32_t getDocCount() const { return m_docCount; }
    void setDocCount(int32_t docCount) { m_docCount = docCount; }
    int32_t getDeletedCount() const { return m_deletedCount; }
    void setDeletedCount(int32_t deletedCount) { m_deletedCount = deletedCount; }

    // The barrel writer filling this barrel, or null; not owned.
    CIndexBarrelWriter* getWriter() const { return m_pWriter; }
    void setWriter(CIndexBarrelWriter* pWriter) { m_pWriter = pWriter; }

private:
    std::string m_name;
    int32_t m_docStart;
    int32_t m_docCount;
    int32_t m_deletedCount;
    CIndexBarrelWriter* m_pWriter = nullptr;
};

} // namespace cs::index
