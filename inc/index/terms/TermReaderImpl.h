// What the three term-reader implementations share: loading a field's
// dictionary from .tid, the open posting inputs, and the dictionary as a flat
// array in ascending term order searched by bisection (the crc kind keeps an
// ordered map instead). The query-side operations belong to the wrappers,
// which keep the current term.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "index/postings/InputDescriptor.h"
#include "index/terms/IndexTermReader.h"

namespace cs::index {

class CDiskPosting;

class CTermReaderImpl : public CIndexTermReader {
public:
    ~CTermReaderImpl() override;

    void open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
              utility::CDocDeleted* pDocDeleted) override;
    bool seek(const utility::CTerm* pTerm) override;
    CDocPosting* termDocs() override;
    CDocPosPosting* termPositions() override;
    void close() override;
    // Null for a term of another field.
    const CTermInfo* find(const utility::CTerm* pTerm) override;

    // Word postings (frequencies and positions) or document postings.
    virtual bool positional() const = 0;
    // A posting of the field's kind reading through `pInputDesc`, which it
    // deletes when `pOwnedDesc` holds it.
    CDiskPosting* newPosting(CInputDescriptor* pInputDesc, std::unique_ptr<CInputDescriptor> pOwnedDesc) const;

    const CFieldInfo* getFieldInfo() const { return m_pFieldInfo; }
    CInputDescriptor* getInputDescriptor() const { return m_pInputDesc.get(); }
    int32_t getTermCount() const { return m_termCount; }

protected:
    CTermReaderImpl() = default;

    // "text", "crc" or "date", for the log lines and messages.
    virtual const char* kind() const = 0;
    virtual void keepDictionary(std::vector<CTermInfo>&& entries);
    virtual const CTermInfo* findValue(int32_t value) const;
    // True when `field` is absent or names this reader's field.
    bool sameField(const char* field) const;

    std::vector<CTermInfo> m_dictionary;

private:
    void loadDictionary(store::CDirectory* pDir, const std::string& barrelPath);
    [[noreturn]] void refuseQuery(const char* operation) const;

    utility::CDocDeleted* m_pDocDeleted = nullptr;
    const CFieldInfo* m_pFieldInfo = nullptr;
    std::unique_ptr<CInputDescriptor> m_pInputDesc;
    int32_t m_termCount = 0;
};

} // namespace cs::index
