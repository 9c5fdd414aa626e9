// The term reader that callers hold: it owns the kind's implementation,
// forwards to it, and keeps the term that seek() found for the cursors.
#pragma once

#include <memory>

#include "index/terms/TermReaderImpl.h"

namespace cs::index {

class CTermReaderWrapper : public CIndexTermReader {
public:
    ~CTermReaderWrapper() override;

    void open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
              utility::CDocDeleted* pDocDeleted) override;
    CIndexTermIterator* termIterator(const char* field) override;
    bool seek(const utility::CTerm* pTerm) override;
    CDocPosting* termDocs() override;
    CDocPosPosting* termPositions() override;
    void close() override;
    const CTermInfo* find(const utility::CTerm* pTerm) override;

protected:
    explicit CTermReaderWrapper(std::unique_ptr<CTermReaderImpl> pReaderImpl);

    CTermReaderImpl* impl() const { return m_pReaderImpl.get(); }

private:
    // A posting of the current term on inputs of its own.
    std::unique_ptr<CDiskPosting> currentPosting() const;

    std::unique_ptr<CTermReaderImpl> m_pReaderImpl;
    const CTermInfo* m_pCurrent = nullptr;
};

} // namespace cs::index
