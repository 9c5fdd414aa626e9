// The fields of a barrel in field-id order, with their flags and statistics;
// written as the barrel's .fdi file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "index/fields/FieldInfo.h"

namespace cs::content {
class CContentMode;
class CField;
}

namespace cs::store {
class CIndexInput;
class CIndexOutput;
}

namespace cs::index {

class CFieldInfoList {
public:
    CFieldInfoList() = default;
    virtual ~CFieldInfoList() = default;
    CFieldInfoList(const CFieldInfoList&) = delete;
    CFieldInfoList& operator=(const CFieldInfoList&) = delete;

    // One field per mode item, flags = store kind | index kind; the mode is
    // remembered for writing.
    void buildFromMode(const content::CContentMode& mode);
    // Takes the flags of a document field (while the field has counted no
    // term) and counts the tokens of an indexed one.
    void addField(const content::CField* pField);

    CFieldInfo* getField(int32_t fid);
    const CFieldInfo* getField(int32_t fid) const;
    // Exact name, or null.
    CFieldInfo* find(const std::string& name) const;
    int32_t getFieldCount() const { return m_nFieldInfoCount; }

    // Statistics of every field to 0, no dictionary trailers.
    void resetStatistics();
    // The field of the same name takes over `other`'s id, flags, index way,
    // boost and statistics; a name not listed yet is appended as a copy.
    void mergeField(const CFieldInfo& other);

    // The mode whose items give index way and boost when writing; not owned.
    void setContentMode(const content::CContentMode* pMode) { m_pMode = pMode; }
    const content::CContentMode* getContentMode() const { return m_pMode; }

    // The .fdi layout.
    void write(store::CIndexOutput& output) const;
    // Replaces the fields by those of a .fdi file; field ids are positions.
    void read(store::CIndexInput& input);

private:
    void clear();
    void append(std::unique_ptr<CFieldInfo> pInfo);

    std::vector<std::unique_ptr<CFieldInfo>> m_fieldInfos;
    int32_t m_nFieldInfoCount = 0;
    std::map<std::string, CFieldInfo*> m_nameMap;
    const content::CContentMode* m_pMode = nullptr;
};

} // namespace cs::index
