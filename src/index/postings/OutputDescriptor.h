// The open outputs of the barrel being written: term dictionaries (.tid),
// document postings (.did) and position postings (.pid). Not owned.
#pragma once

#include "store/IndexOutput.h"

namespace cs::index {

class COutputDescriptor {
public:
    COutputDescriptor(store::CIndexOutput* pTdWriter, store::CIndexOutput* pDdWriter, store::CIndexOutput* pPdWriter)
        : m_pTdWriter(pTdWriter), m_pDdWriter(pDdWriter), m_pPdWriter(pPdWriter)
    {
    }

    store::CIndexOutput* getTdWriter() const { return m_pTdWriter; }
    store::CIndexOutput* getDdWriter() const { return m_pDdWriter; }
    store::CIndexOutput* getPdWriter() const { return m_pPdWriter; }

private:
    store::CIndexOutput* m_pTdWriter;
    store::CIndexOutput* m_pDdWriter;
    store::CIndexOutput* m_pPdWriter;
};

} // namespace cs::index
