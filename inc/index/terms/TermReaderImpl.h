// The term reader of every field kind: it loads a field's dictionary from
// .tid as a flat array in ascending term order, searched by bisection, and
// keeps the open posting inputs. The kinds differ in their name and in which
// postings keep positions. The query-side operations belong to the wrappers,
// which keep the current term.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "index/fields/PositionRule.h"
#include "index/postings/InputDescriptor.h"
#include "index/terms/IndexTermReader.h"

namespace cs::index {

class CDiskPosting;

class CTermReaderImpl : public CIndexTermReader {
public:
    // `kind` ("text", "crc" or "date") names the reader in log lines and messages.
    CTermReaderImpl(const char* kind, PositionRule positions);
    ~CTermReaderImpl() override;

    void open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
              utility::CDocDeleted* pDocDeleted) override;
    CIndexTermIterator* termIterator(const char* field) override;
    bool seek(const utility::CTerm* pTerm) override;
    CDocPosting* termDocs() override;
    CDocPosPosting* termPositions() override;
    void close() override;
    // Null for a term of another field.
    const CTermInfo* find(const utility::CTerm* pTerm) override;

    // Word postings (frequencies and positions) or document postings.
    bool positional() const;
    // A posting of the field's kind reading through `pInputDesc`, which it
    // deletes when `pOwnedDesc` holds it.
    CDiskPosting* newPosting(CInputDescriptor* pInputDesc, std::unique_ptr<CInputDescriptor> pOwnedDesc) const;

    const CFieldInfo* getFieldInfo() const { return m_pFieldInfo; }
    CInputDescriptor* getInputDescriptor() const { return m_pInputDesc.get(); }
    int32_t getTermCount() const { return m_termCount; }
    const std::vector<CTermInfo>& getDictionary() const { return m_dictionary; }

private:
    void loadDictionary(store::CDirectory* pDir, const std::string& barrelPath);
    [[noreturn]] void refuseQuery(const char* operation) const;

    const char* m_kind;
    PositionRule m_positions;
    std::vector<CTermInfo> m_dictionary;

    utility::CDocDeleted* m_pDocDeleted = nullptr;
    const CFieldInfo* m_pFieldInfo = nullptr;
    std::unique_ptr<CInputDescriptor> m_pInputDesc;
    int32_t m_termCount = 0;
};

} // namespace cs::index
